#include "passclock.h"

void PassClock::report(PassDirection pass, int round, int percent)
{
    if (!m_running || pass != m_pass || round != m_round) {
        m_timer.start();
        m_running = true;
        m_pass = pass;
        m_round = round;
    }
    m_percent = qBound(0, percent, 100);
}

qint64 PassClock::elapsedMs() const
{
    return m_running ? m_timer.elapsed() : 0;
}

qint64 PassClock::remainingMs() const
{
    if (!m_running || m_percent <= 0)
        return -1;
    return elapsedMs() * (100 - m_percent) / m_percent;
}

QString formatDuration(qint64 ms)
{
    if (ms < 0)
        return QStringLiteral("--:--");
    const qint64 seconds = ms / 1000;
    const QString minSec =
        QStringLiteral("%1:%2").arg(seconds / 60 % 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600)
        return minSec;
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600)
        .arg(minSec.rightJustified(5, QLatin1Char('0')));
}
