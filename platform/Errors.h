#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// Every error of the program is an AppError: its message is the text the user
// sees in the error box. Handlers never let one cross Qt's event dispatch; the
// handler guard (common/HandlerGuard.h) turns it into the error box.
class AppError : public std::exception {
public:
    explicit AppError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text that should have been a number or a date and time was not. The batch
// index check tells these apart from other failures.
class EConvertError : public AppError {
public:
    using AppError::AppError;
};
