#pragma once

#include <QMetaType>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The cases that show the engine's averages match a card's true speed: two speeds, three
// stream counts, three block sizes.
struct AccuracyCase {
    double speedMBps;  // the throttle, in the engine's MB (MiB)
    int streams;
    qint64 blockSize;
    qint64 sizePerStream;
};
Q_DECLARE_METATYPE(AccuracyCase)

// The matrix in groups of one speed and stream count, whose block sizes run side by side.
// passSeconds: the least time one pass takes at the throttle (sizes round up to whole
// blocks, so a pass may be a little longer).
QVector<QVector<AccuracyCase>> accuracyGroups(double passSeconds);

QString blockText(qint64 bytes);  // "64K", "8M"

struct AccuracyResult {
    double write = -1.0;  // the averages the engine reported, MB/s
    double read = -1.0;
    qint64 throttledWrite = -1;  // what the card moved through its throttle
    qint64 throttledRead = -1;
    bool cacheFallback = false;  // the engine said it could not bypass the page cache
    QString error;               // an engine error, or a card that could not be made
};

struct AccuracyRun {
    QString skipReason;               // the machine cannot host simulated cards
    QVector<AccuracyResult> results;  // one per case, in order
    // The share of the run during which some task waited for a CPU (the kernel's pressure
    // figure), -1 where the kernel does not tell. A simulated card keeps its speed only on
    // a machine with time for its journal, so a high figure explains a slow write.
    double cpuPressure = -1.0;
};

// Runs every case at the same time, each on a steady simulated card of its own (the cards
// share nothing but the machine), through a full engine run with read-back.
AccuracyRun measureSideBySide(const QVector<AccuracyCase> &cases, unsigned long timeoutMs);

// Relative deviation of a reported speed from the true one.
inline double relativeError(double reported, double truth)
{
    return (reported - truth) / truth;
}
