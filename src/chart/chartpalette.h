#pragma once

#include <QColor>
#include <QVector>

// The eight stream colours, shared by every chart of the process.
const QVector<QColor> &streamPalette();

// The colour of stream `index` (0-based); the palette repeats after eight streams.
QColor streamColor(int index);
