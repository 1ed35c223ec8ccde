#pragma once
#include <QWidget>
#include <functional>

class Dialogs;
class HandlerGuard;
class QCheckBox;
class QLineEdit;
class QPushButton;
struct AppSettings;

// "选项": the two intervals of the batch runs and the two switches of the
// batch index check.
class TfrmOption : public QWidget {
    Q_OBJECT
public:
    TfrmOption(Dialogs &dialogs, HandlerGuard &guard, AppSettings &settings, QWidget *mainWindow,
               std::function<QString()> programDir);

public slots:
    void FormShow();
    void btnSetBaiduSleepClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Both boxes share one key filter.
    // True when the key is consumed: any character other than backspace, Enter
    // or a digit is dropped with a message, once per character.
    bool editPingSleepKeyPress(QLineEdit *box, QKeyEvent *event);
    bool editBaiduSleepKeyPress(QLineEdit *box, QKeyEvent *event)
    {
        return editPingSleepKeyPress(box, event);
    }

    Dialogs &m_dialogs;
    HandlerGuard &m_guard;
    AppSettings &m_settings;
    QWidget *m_mainWindow;
    std::function<QString()> m_programDir;
    QLineEdit *editPingSleep;
    QLineEdit *editBaiduSleep;
    QCheckBox *cbxCheckBackoff;
    QCheckBox *cbxSkipIndexed;
    QPushButton *btnSetBaiduSleep;
    QPushButton *Button1;
};
