#pragma once

#include "dashcam.h"
#include "streamsource.h"

#include <QStringList>
#include <QVector>

// The settings of one test as they stood when it was started. Every round and every
// judgement of the run follows this snapshot, never the controls of a front end, which
// may change while the test runs.
struct TestPlan {
    enum class Mode { Random, Files };

    QString target;  // the drive's root, ending with a separator
    Mode mode = Mode::Random;
    qint64 testSize = 1073741824;  // per random stream; per rolling file with `fill`
    int streams = 1;               // random streams
    qint64 blockSize = 1048576;
    bool read = false;
    bool fill = false;  // stress mode: fill the card, then rewrite it in rolling rounds
    int fillRounds = 1;
    int iterations = 1;      // rounds of an ordinary test
    QStringList files;       // Files mode: absolute paths, in the order the user gave them
    bool verify = false;     // stamp every block and compare it when read back
    DashcamProfile dashcam;  // what the card is tested for; judged beside the verdict rules

    // The stress mode writes one stream and never reads back.
    bool readPass() const { return read && !fill; }
    // The files are read back: to measure reading, or to check the data (in the stress mode,
    // the whole free space once the rolling rounds are done).
    bool readBack() const { return readPass() || verify; }
    int streamCount() const { return fill ? 1 : streams; }
    // Engine runs of the test: the stress mode does its rolling rounds in one run.
    int rounds() const { return fill ? 1 : iterations; }
};

// The size of every random stream's file (of every rolling file) in whole blocks.
qint64 perStreamBytes(const TestPlan &plan);
// The size of `path` in whole blocks; 0 for a missing file or one below a block.
qint64 usableFileBytes(const TestPlan &plan, const QString &path);

// What each stream of the test is, in the engine's file order: a source file that holds
// less than one block gets no stream, since the engine skips it.
QVector<StreamSource> streamSourcesOf(const TestPlan &plan);
QStringList streamLabelsOf(const QVector<StreamSource> &sources);
