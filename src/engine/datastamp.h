#pragma once

#include "datacheck.h"

#include <QtGlobal>

// The stamp a verified block carries at its start, over the usual pattern: it makes the
// block unique (which run, which file, which block), so a block read back in the wrong place
// tells where it belongs.
struct StampKey {
    quint64 run = 0;
    quint32 file = 0;
    quint64 block = 0;
};

constexpr qint64 kStampBytes = 32;

// A run id no earlier run is likely to have used; never 0.
quint64 newRunId();

void writeStamp(unsigned char *block, const StampKey &key);

// What the `got` bytes read back for `expected` hold, against the pattern the block was
// written over (a whole block of it). Kind::None when they are exactly what was written;
// otherwise `wrongBytes` receives how many bytes did not come back.
DataCheck::Kind checkBlock(const unsigned char *data, qint64 got, qint64 blockSize,
                           const unsigned char *pattern, const StampKey &expected,
                           qint64 *wrongBytes);
