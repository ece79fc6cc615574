#include "progressline.h"

ProgressLine::ProgressLine(bool terminal)
    : m_terminal(terminal)
{}

QString ProgressLine::format(Phase phase, int percent, double currentMBps, double averageMBps,
                             int round, int rounds)
{
    const QString letter = phase == Phase::Write ? QStringLiteral("W") : QStringLiteral("R");
    const QString body = tr("%1 %2%  now %3 MB/s  avg %4 MB/s")
                             .arg(letter)
                             .arg(percent, 3)
                             .arg(currentMBps, 0, 'f', 2)
                             .arg(averageMBps, 0, 'f', 2);
    if (rounds < 2)
        return body;
    return tr("Round %1/%2  %3").arg(round).arg(rounds).arg(body);
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
