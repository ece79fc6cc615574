#include "sampledata.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {
int percentOf(int j, int count)
{
    return int((qint64(j) + 1) * 100 / count);
}
}  // namespace

PassSamples writePass(int count, double steadyMBps, unsigned seed)
{
    QRandomGenerator random(seed);
    PassSamples pass;
    pass.percent.reserve(count);
    pass.mbps.reserve(count);
    const int cacheEnd = count / 8;
    for (int j = 0; j < count; ++j) {
        double v = j < cacheEnd ? 2.4 * steadyMBps : steadyMBps;
        v *= 0.85 + 0.3 * random.generateDouble();
        if (random.bounded(200) == 0)
            v *= 0.2;  // a stall while the card tidies up
        pass.percent.append(percentOf(j, count));
        pass.mbps.append(std::max(v, 0.5));
    }
    return pass;
}

PassSamples readPass(int count, double steadyMBps, unsigned seed)
{
    QRandomGenerator random(seed);
    PassSamples pass;
    pass.percent.reserve(count);
    pass.mbps.reserve(count);
    for (int j = 0; j < count; ++j) {
        pass.percent.append(percentOf(j, count));
        pass.mbps.append(steadyMBps * (0.92 + 0.16 * random.generateDouble()));
    }
    return pass;
}
