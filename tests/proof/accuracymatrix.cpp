#include "accuracymatrix.h"

namespace {
constexpr qint64 kKiB = 1024;
constexpr qint64 kMiB = 1048576;

QString blockName(qint64 bytes)
{
    return bytes >= kMiB ? QStringLiteral("%1M").arg(bytes / kMiB)
                         : QStringLiteral("%1K").arg(bytes / kKiB);
}
}  // namespace

QVector<AccuracyCase> accuracyMatrix(double passSeconds)
{
    QVector<AccuracyCase> cases;
    for (double speed : {20.0, 40.0}) {
        for (int streams : {1, 4, 16}) {
            for (qint64 block : {64 * kKiB, kMiB, 8 * kMiB}) {
                const qint64 total = qRound64(speed * kMiB * passSeconds);
                qint64 perStream = total / streams / block * block;
                perStream = qMax(perStream, block);
                cases.append({QStringLiteral("%1 MB/s, %2 streams, %3 blocks")
                                  .arg(speed)
                                  .arg(streams)
                                  .arg(blockName(block)),
                              speed, streams, block, perStream});
            }
        }
    }
    return cases;
}
