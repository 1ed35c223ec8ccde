#pragma once
#include <QDir>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

// While it lives, no file of this process may grow beyond the given size: a
// write past it fails in the system the way a full disk fails it, only with
// "File too large" (EFBIG) instead of "No space left on device". Files that
// are longer already stay as they are; the signal the limit raises is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // The system's reason for a write the limit stops.
    static QString reason() { return QString::fromLocal8Bit(std::strerror(EFBIG)); }

    // The names in a folder, hidden ones too: a failed write leaves no
    // temporary file behind.
    static QStringList namesIn(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

private:
    rlimit m_before {};
    void (*m_handler)(int) = nullptr;
};
