#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class SpeedTester;

// What one engine run reported, in the order it was emitted. Filled on the engine's own
// thread (direct connections) and read only after the thread has ended.
struct EngineRun {
    struct Progress {
        int percent;
        double current;
        double average;
    };

    QStringList events;  // signal names in emission order, e.g. "testError", "writeFinished"
    QStringList errors;
    QStringList logs;
    QVector<double> writeAverages;  // writeFinished
    QVector<double> readAverages;   // readFinished
    QVector<Progress> writeProgress;
    QVector<Progress> readProgress;
    bool ended = false;  // the thread finished within the time allowed

    bool logged(const QString &line) const { return logs.contains(line); }
};

// Hooks a recorder to the tester's signals. Call before start().
void recordEngine(SpeedTester &tester, EngineRun &run);

// Starts the tester and waits for its thread to end, at most timeoutMs; on a time-out it
// asks the engine to stop and waits for it, so the card's files are still removed.
void runEngine(SpeedTester &tester, EngineRun &run, int timeoutMs);
