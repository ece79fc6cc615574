#include "randompattern.h"

void fillRandomPattern(unsigned char *buffer, qint64 size)
{
    quint32 x = 0xDEADBEEFu;
    const qint64 words = size / 4;
    for (qint64 i = 0; i < words; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        unsigned char *p = buffer + i * 4;
        p[0] = static_cast<unsigned char>(x);
        p[1] = static_cast<unsigned char>(x >> 8);
        p[2] = static_cast<unsigned char>(x >> 16);
        p[3] = static_cast<unsigned char>(x >> 24);
    }
}
