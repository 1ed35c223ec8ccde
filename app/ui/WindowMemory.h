#pragma once
#include <QObject>
#include <QString>

class QTreeWidget;
class QWidget;

// Remembers the main window's size and place and the address list's column
// widths between starts, in a QSettings file of its own. It restores them
// when made and saves them whenever the window closes; a file that cannot be
// written is passed over in silence.
class WindowMemory : public QObject {
public:
    // An empty file name: nothing is restored or saved.
    WindowMemory(QWidget *window, QTreeWidget *list, QString file);

    void restore();
    void save() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QTreeWidget *m_list;
    QString m_file;
};
