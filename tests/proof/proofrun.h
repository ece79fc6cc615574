#pragma once

#include "samplecollection.h"

#include <QString>
#include <QStringList>
#include <QVector>

class CardSimulator;
class SpeedTester;

// One engine run on a simulated card, its samples collected as the front ends collect
// them, with the moment each card-total write sample arrived on the simulator's clock.
struct ProofRun {
    SampleCollection samples;
    QVector<qint64> writeSampleMs;  // one per entered card-total write sample
    QStringList errors;
    QStringList logs;
    QVector<double> writeAverages;
    QVector<double> readAverages;
    bool ended = false;  // the engine's thread ended within the time allowed
};

// Hooks the collection to the tester's signals (direct connections: they run on the
// engine's thread, which the test only reads after it has ended). Call before start().
void collectSamples(SpeedTester &tester, ProofRun &run, const CardSimulator &sim);

// Starts the tester and waits at most timeoutMs; on a time-out it stops the engine and
// waits, so the card's files are still removed.
void runToEnd(SpeedTester &tester, ProofRun &run, int timeoutMs);

// A write-only test of one stream in 1 MiB blocks on the simulated card, the way a user
// would run it; the simulator stops following its profile once the engine has ended.
ProofRun writeOneStream(CardSimulator &sim, qint64 bytes, int timeoutMs);
