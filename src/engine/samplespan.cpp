#include "samplespan.h"

double SampleSpan::next(qint64 bytes, qint64 ns, bool last)
{
    qint64 b = bytes;
    qint64 t = ns;
    if (last && !m_ended && m_sampled) {
        b += m_prevBytes;
        t += m_prevNs;
    }
    m_ended = m_ended || last;
    m_sampled = true;
    m_prevBytes = bytes;
    m_prevNs = ns;
    return b / 1048576.0 / qMax(0.001, t / 1e9);
}
