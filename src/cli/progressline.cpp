#include "progressline.h"

#include "passclock.h"
#include "textcolumns.h"

namespace {
constexpr int kBarWidth = 20;

}  // namespace

ProgressLine::ProgressLine(bool terminal)
    : m_terminal(terminal)
{}

int ProgressLine::columnsFor(int terminalColumns)
{
    return qMax(1, (terminalColumns > 0 ? terminalColumns : 80) - 1);
}

QString ProgressLine::format(Phase phase, int percent, double currentMBps, double averageMBps,
                             int round, int rounds, qint64 elapsedMs, qint64 remainingMs,
                             int maxColumns)
{
    const QString pass = phase == Phase::Write ? tr("GroupWriteTest") : tr("GroupReadTest");
    const QString prefix = rounds < 2 ? QString() : tr("RoundPrefix").arg(round).arg(rounds);
    const QString shownPercent = QString::number(percent).rightJustified(3);
    const QString current = QString::number(currentMBps, 'f', 2);
    const QString average = QString::number(averageMBps, 'f', 2);
    const auto line = [&](bool full, int barWidth) {
        const int filled = qBound(0, percent, 100) * barWidth / 100;
        const QString bar =
            QString(filled, QLatin1Char('#')) + QString(barWidth - filled, QLatin1Char('.'));
        // Filled in one pass, so no value is read as a place for another.
        if (full)
            return prefix
                   + tr("ProgressBarLine")
                         .arg(pass, bar, shownPercent, current, average, formatDuration(elapsedMs),
                              formatDuration(remainingMs));
        return prefix
               + tr("ProgressBarLineShort")
                     .arg(pass, bar, shownPercent, current, average, formatDuration(remainingMs));
    };
    QString text = line(true, kBarWidth);
    if (maxColumns <= 0)
        return text;
    // The bar gives way first, down to half; then the elapsed time goes; then the end.
    for (const auto &[full, shortestBar] : {std::pair{true, kBarWidth / 2}, std::pair{false, 4}}) {
        text = line(full, kBarWidth);
        const int excess = displayColumns(text) - maxColumns;
        if (excess <= 0)
            return text;
        text = line(full, qMax(shortestBar, kBarWidth - excess));
        if (displayColumns(text) <= maxColumns)
            return text;
    }
    return cutToColumns(text, maxColumns);
}

bool ProgressLine::due(qint64 nowMs)
{
    if (m_terminal)
        return true;
    if (m_printed && nowMs - m_lastMs < kPipeIntervalMs)
        return false;
    m_printed = true;
    m_lastMs = nowMs;
    return true;
}
