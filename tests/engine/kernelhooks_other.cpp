#include "kernelhooks.h"

// Neither hook exists here; the tests that need them skip.
namespace {
QString unavailable()
{
    return QStringLiteral("not available on this system");
}
}  // namespace

DirEventLog::DirEventLog(const QString &)
    : m_problem(unavailable())
{}

DirEventLog::~DirEventLog() = default;

QStringList DirEventLog::take()
{
    return QStringList();
}

FileSizeCap::FileSizeCap(qint64)
    : m_problem(unavailable())
{}

FileSizeCap::~FileSizeCap() = default;
