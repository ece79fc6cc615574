#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// The cases that show the engine's averages match a card's true speed: two speeds, three
// stream counts, three block sizes. Shared by the test and the accuracy report.
struct AccuracyCase {
    QString name;
    double speedMBps;  // the throttle, in the engine's MB (MiB)
    int streams;
    qint64 blockSize;
    qint64 sizePerStream;
};

// passSeconds: how long one pass should take at the throttle; a stream still gets at least
// one block, so a pass may be longer.
QVector<AccuracyCase> accuracyMatrix(double passSeconds);

// Relative deviation of a reported speed from the true one.
inline double relativeError(double reported, double truth)
{
    return (reported - truth) / truth;
}
