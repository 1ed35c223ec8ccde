#pragma once
#include <QString>
#include <memory>

class QLockFile;

// One run of each kind per program directory, across processes: the window,
// wexly-cli and the daily timer all take the kind's lock file in the program
// directory before a run and give it back at its end. A run that finds the
// lock taken does not start and says so with busyText(). The file is a
// QLockFile: one left by a process that died (killed, crashed) is noticed as
// stale and taken over, so it never blocks the next run. Different kinds run
// side by side.
class RunLock {
public:
    enum class Kind { Ping, IndexCheck, Push, Audit, Fetch };

    // programDir: with or without a trailing "/". Nothing is taken yet.
    RunLock(Kind kind, const QString &programDir);
    ~RunLock(); // gives the lock back
    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

    // Takes the lock without waiting; false when a live run of the kind holds
    // it, in this process or another. A folder that takes no file throws AppError.
    bool tryLock();
    bool isLocked() const;
    void unlock();
    Kind kind() const { return m_kind; }

    // "批量Ping", "批量检测收录", "批量推送", "收录诊断", "获取Rss".
    static QString runName(Kind kind);
    // "另一个程序正在执行" + runName + "，请稍后再试".
    static QString busyText(Kind kind);
    // The lock file's name in the program directory.
    static QString fileName(Kind kind);

private:
    Kind m_kind;
    std::unique_ptr<QLockFile> m_file;
};
