#include "stressestimate.h"

#include <limits>

namespace {
constexpr double kBytesPerMB = 1048576.0;

qint64 msAt(qint64 bytes, double mbps)
{
    return qint64(double(bytes) / kBytesPerMB / mbps * 1000.0);
}
}  // namespace

qint64 StressEstimate::durationMs(double mbps) const
{
    if (mbps <= 0 || !possible())
        return -1;
    return msAt(writeBytes + readBytes, mbps);
}

StressEstimate estimateStress(const TestPlan &plan, qint64 freeBytes)
{
    StressEstimate e;
    e.fileBytes = perStreamBytes(plan);
    if (e.fileBytes < 1 || freeBytes < e.fileBytes)
        return e;
    e.initialFiles = qMin<qint64>(freeBytes / e.fileBytes, std::numeric_limits<int>::max());
    e.rounds = qMax(0, plan.fillRounds);
    e.writeBytes = (e.initialFiles + e.rounds) * e.fileBytes;
    e.readBytes = plan.verify ? e.initialFiles * e.fileBytes : 0;
    return e;
}

StressPosition stressPosition(const StressEstimate &estimate, qint64 writtenBytes,
                              double averageMBps)
{
    StressPosition p;
    if (!estimate.possible())
        return p;
    const qint64 written = qBound<qint64>(0, writtenBytes, estimate.writeBytes);
    // The file being written, 0-based over all writes; the last one once all are done.
    const qint64 index =
        qMin(written / estimate.fileBytes, estimate.initialFiles + estimate.rounds - 1);
    p.filling = index < estimate.initialFiles;
    p.file = p.filling ? index + 1 : estimate.initialFiles;
    p.round = p.filling ? 0 : int(index - estimate.initialFiles + 1);
    if (written >= estimate.fileBytes && averageMBps > 0)
        p.remainingMs = msAt(estimate.writeBytes - written + estimate.readBytes, averageMBps);
    return p;
}
