#pragma once

#include <QtGlobal>

// The speed of one stream, or of the card total, between two samples. The last stretch of a
// pass is folded into the interval before it: a stretch of a few milliseconds would give a
// speed of block-sized noise, while a pass shorter than one interval still gets its sample.
// Whoever keeps the samples replaces the sample before with the folded one (SampleSeries).
class SampleSpan
{
public:
    // MB/s of `bytes` moved over the `ns` since the previous sample; `last` marks the sample
    // that ends the stream's data (the first one at 100 %).
    double next(qint64 bytes, qint64 ns, bool last);

private:
    qint64 m_prevBytes = 0;
    qint64 m_prevNs = 0;
    bool m_sampled = false;
    bool m_ended = false;
};
