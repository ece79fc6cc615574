#pragma once

#include "samplecollection.h"

#include <QElapsedTimer>
#include <QString>

// How long the running pass has taken and how long it will still take, judged by its percent:
// what both front ends show beside the speed.
class PassClock
{
public:
    // A progress report; a new pass or round starts the clock again.
    void report(PassDirection pass, int round, int percent);
    void reset() { m_running = false; }

    qint64 elapsedMs() const;
    // -1 while nothing can be said (no percent yet).
    qint64 remainingMs() const;

private:
    QElapsedTimer m_timer;
    bool m_running = false;
    PassDirection m_pass = PassDirection::Write;
    int m_round = 0;
    int m_percent = 0;
};

// "0:42", "12:05", "1:02:03"; "--:--" for an unknown (negative) time.
QString formatDuration(qint64 ms);
