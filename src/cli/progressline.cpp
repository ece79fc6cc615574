#include "progressline.h"

#include "passclock.h"

ProgressLine::ProgressLine(bool terminal)
    : m_terminal(terminal)
{}

namespace {
constexpr int kBarWidth = 20;
}

QString ProgressLine::format(Phase phase, int percent, double currentMBps, double averageMBps,
                             int round, int rounds, qint64 elapsedMs, qint64 remainingMs)
{
    const int filled = qBound(0, percent, 100) * kBarWidth / 100;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('.'));
    const QString pass = phase == Phase::Write ? tr("GroupWriteTest") : tr("GroupReadTest");
    const QString prefix = rounds < 2 ? QString() : tr("RoundPrefix").arg(round).arg(rounds);
    // Filled in one pass, so no value is read as a place for another.
    const QString body =
        tr("ProgressBarLine")
            .arg(pass, bar, QString::number(percent).rightJustified(3),
                 QString::number(currentMBps, 'f', 2), QString::number(averageMBps, 'f', 2),
                 formatDuration(elapsedMs), formatDuration(remainingMs));
    return prefix + body;
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
