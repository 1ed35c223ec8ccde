#include "common/HandlerGuard.h"

#include "platform/Dialogs.h"
#include "platform/Errors.h"

HandlerGuard::HandlerGuard(Dialogs &dialogs, QObject *parent) : QObject(parent), m_dialogs(dialogs) {}

QString HandlerGuard::errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

void HandlerGuard::run(const std::function<void()> &handler)
{
    ++m_depth;
    QString failure;
    bool failed = false;
    try {
        handler();
    } catch (const AppError &e) {
        failed = true;
        failure = e.message();
    } catch (const std::exception &e) {
        failed = true;
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failed = true;
        failure = QStringLiteral("Unknown error");
    }
    // The box itself waits for the user, so it still counts as inside the handler.
    if (failed)
        m_dialogs.showError(errorBoxText(failure));
    if (--m_depth == 0)
        emit idle();
}
