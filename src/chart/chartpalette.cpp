#include "chartpalette.h"

const QVector<QColor> &streamPalette()
{
    static const QVector<QColor> palette = {
        QColor(0x21, 0x96, 0xF3), QColor(0x4C, 0xAF, 0x50), QColor(0xFF, 0x98, 0x00),
        QColor(0xF4, 0x43, 0x36), QColor(0x9C, 0x27, 0xB0), QColor(0x00, 0xBC, 0xD4),
        QColor(0xFF, 0xC1, 0x07), QColor(0x79, 0x55, 0x48),
    };
    return palette;
}

QColor streamColor(int index)
{
    const QVector<QColor> &palette = streamPalette();
    const int n = palette.size();
    return palette[((index % n) + n) % n];
}
