#pragma once
#include <QObject>
#include <functional>

class Dialogs;

// Every event handler runs through run(): an error escaping the handler is shown
// in the application's error box and never crosses Qt's event dispatch. The
// guard also counts how deep handlers are nested (a handler waiting on the
// network or in a delay lets others run inside it), so the main window can put
// off its closing until the outermost handler has returned.
class HandlerGuard : public QObject {
    Q_OBJECT
public:
    explicit HandlerGuard(Dialogs &dialogs, QObject *parent = nullptr);

    void run(const std::function<void()> &handler);
    int depth() const { return m_depth; }

    // The error box text: "." is appended when the last character's code is
    // above that of "." (46).
    static QString errorBoxText(const QString &message);

signals:
    // The outermost handler has returned.
    void idle();

private:
    Dialogs &m_dialogs;
    int m_depth = 0;
};
