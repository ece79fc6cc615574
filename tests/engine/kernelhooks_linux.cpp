#include "kernelhooks.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
QString failed(const char *call)
{
    return QStringLiteral("%1: %2").arg(call, QString::fromLocal8Bit(strerror(errno)));
}
}  // namespace

DirEventLog::DirEventLog(const QString &dir)
    : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0 || inotify_add_watch(m_fd, QFile::encodeName(dir), IN_CREATE | IN_DELETE) < 0)
        m_problem = failed("inotify");
}

DirEventLog::~DirEventLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QStringList DirEventLog::take()
{
    QStringList out;
    alignas(struct inotify_event) char buffer[64 * 1024];
    ssize_t n;
    // EAGAIN ends it: nothing more queued.
    while (m_fd >= 0 && (n = ::read(m_fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto *ev = reinterpret_cast<const struct inotify_event *>(buffer + at);
            if (ev->mask & IN_Q_OVERFLOW)
                m_problem = QStringLiteral("the kernel dropped folder events");
            else if (ev->len > 0)
                out.append(((ev->mask & IN_CREATE) ? "+" : "-") + QFile::decodeName(ev->name));
            at += ssize_t(sizeof(struct inotify_event)) + ev->len;
        }
    }
    return out;
}

FileSizeCap::FileSizeCap(qint64 bytes)
{
    struct rlimit lim {
    };
    std::signal(SIGXFSZ, SIG_IGN);
    if (getrlimit(RLIMIT_FSIZE, &lim) != 0) {
        m_problem = failed("getrlimit");
        return;
    }
    m_oldSoftLimit = lim.rlim_cur;
    lim.rlim_cur = rlim_t(bytes);
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0)
        m_problem = failed("setrlimit");
}

FileSizeCap::~FileSizeCap()
{
    struct rlimit lim {
    };
    if (m_problem.isEmpty() && getrlimit(RLIMIT_FSIZE, &lim) == 0) {
        lim.rlim_cur = rlim_t(m_oldSoftLimit);
        setrlimit(RLIMIT_FSIZE, &lim);
    }
}
