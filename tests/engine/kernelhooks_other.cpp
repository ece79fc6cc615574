#include "kernelhooks.h"

DirEventLog::DirEventLog(const QString &)
    : m_problem(QStringLiteral("not available on this system"))
{}
DirEventLog::~DirEventLog() = default;
QStringList DirEventLog::take()
{
    return QStringList();
}
FileSizeCap::FileSizeCap(qint64)
    : m_problem(QStringLiteral("not available on this system"))
{}
FileSizeCap::~FileSizeCap() = default;
