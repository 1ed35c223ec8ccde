#pragma once
#include <QString>
#include <QStringList>

// Error texts of the network layer may quote the request's address, which
// carries the Baidu token (and the key file address names the key). Every
// text that goes to the log, the message panel or a message box passes here.
QString scrubSecrets(QString text, const QStringList &secrets);
