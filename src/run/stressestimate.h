#pragma once

#include "testplan.h"

#include <QtGlobal>

// What a stress run (fill the card, then rewrite it file by file) will write and how long
// it may take, and where a running one stands: shown before it starts and while it runs.
struct StressEstimate {
    // Assumed before anything is measured: the floor of a card that records video at all,
    // so that the first figure errs on the long side.
    static constexpr double assumedMBps = 10.0;

    qint64 fileBytes = 0;     // one rolling file, in whole blocks
    qint64 initialFiles = 0;  // files of the first fill
    int rounds = 0;           // rolling rewrites after it, one file each
    qint64 writeBytes = 0;    // everything written
    qint64 readBytes = 0;     // read back at the end when the data is checked

    bool possible() const { return initialFiles > 0; }
    // The whole run at `mbps`, reading back at the same speed; -1 without a speed.
    qint64 durationMs(double mbps) const;
};

// The same arithmetic as the engine's: whole-block files, as many as the free space holds.
StressEstimate estimateStress(const TestPlan &plan, qint64 freeBytes);

// Where a running stress run stands after `writtenBytes`.
struct StressPosition {
    bool filling = true;      // still the first fill; otherwise rewriting
    qint64 file = 0;          // 1-based file of the first fill being written
    int round = 0;            // 1-based rolling round being written
    qint64 remainingMs = -1;  // unknown until the first file is written
};

// `averageMBps` is the run's measured average so far; the time left is said only once a
// whole file has been written, before that the speed is the card's cache talking.
StressPosition stressPosition(const StressEstimate &estimate, qint64 writtenBytes,
                              double averageMBps);
