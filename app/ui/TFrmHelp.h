#pragma once
#include <QWidget>
#include <functional>

class Dialogs;
class QPlainTextEdit;

// "动态帮助": shows one topic of help.xml, read afresh at every showing.
class TFrmHelp : public QWidget {
    Q_OBJECT
public:
    // helpFile (the help.xml to read) and topic are asked at every showing:
    // the main window sets them after this window has been made.
    TFrmHelp(Dialogs &dialogs, QWidget *mainWindow, std::function<QString()> helpFile,
             std::function<int()> topic);

public slots:
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    Dialogs &m_dialogs;
    QWidget *m_mainWindow;
    std::function<QString()> m_helpFile;
    std::function<int()> m_topic;
    QPlainTextEdit *Memo1;
};
