#pragma once

// Two test-only hooks into the kernel that the engine tests need and Qt does not offer:
// watching the order in which files come and go in a folder, and making writes fail
// the way a full card does. Where they do not exist, problem() says so and the test skips.

#include <QStringList>

// Records, in the kernel's order, the names created ("+name") and deleted ("-name") in
// one folder from construction on.
class DirEventLog
{
public:
    explicit DirEventLog(const QString &dir);
    ~DirEventLog();
    Q_DISABLE_COPY(DirEventLog)
    QString problem() const { return m_problem; }  // empty when the watch is in place
    // The events queued since the last call. Sets problem() if the kernel dropped some.
    QStringList take();

private:
    int m_fd = -1;
    QString m_problem;
};

// Caps the size any file of this process may grow to, until destroyed. A write that
// would cross the cap fails (EFBIG) instead of raising SIGXFSZ, as on a full card.
class FileSizeCap
{
public:
    explicit FileSizeCap(qint64 bytes);
    ~FileSizeCap();
    Q_DISABLE_COPY(FileSizeCap)
    QString problem() const { return m_problem; }

private:
    unsigned long long m_oldSoftLimit = 0;
    QString m_problem;
};
