#pragma once
#include <QString>
#include <QStringList>

// Error texts of the network layer may quote the request's address, which
// carries the Baidu token (and the key file address names the key). Every
// text that goes to the log, the message panel or a message box passes here.
QString scrubSecrets(QString text, const QStringList &secrets);

// The line for the status log when the store at path holds a push token or key
// and users other than its owner may read the file; empty otherwise (and when
// the store cannot be read: its own error shows where it is used).
QString exposedStoreWarning(const QString &path);
