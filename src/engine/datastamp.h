#pragma once

#include "datacheck.h"

#include <QString>
#include <QtGlobal>

// Every 4 KiB sector of a verified block begins with a stamp (which run, file, block and
// sector, and a checksum) over the usual pattern, so each sector is unique and one that comes
// back from another place tells where it belongs.
struct StampKey {
    quint64 run = 0;
    quint32 file = 0;
    quint64 block = 0;
};

constexpr qint64 kSectorBytes = 4096;
constexpr qint64 kStampBytes = 32;

// A run id no earlier run is likely to have used; never 0.
quint64 newRunId();

// Patches the stamps of `key`'s sectors into `block` (a copy of the pattern, or one that was
// stamped before): a few nanoseconds per sector, every other byte left alone.
void stampBlock(unsigned char *block, qint64 blockSize, const StampKey &key);

// What the read-back knows beyond the block it expects: this run, and the files of this run
// already deleted (numbered below `liveFrom`), whose data still on the card is stale.
struct StampScope {
    quint64 run = 0;
    quint32 liveFrom = 0;
};

// One sector read back against the sector expected there (stamp included). Kind::None when
// they are equal; otherwise `wrongBytes` receives how many bytes did not come back.
DataCheck::Kind classifySector(const unsigned char *got, const unsigned char *expected, qint64 size,
                               const StampScope &scope, qint64 *wrongBytes);

// Adds one block read back to `check`: one comparison when it is whole, else sector by
// sector. `offset` is the block's place in `file`.
void checkBlock(const unsigned char *got, const unsigned char *expected, qint64 blockSize,
                const StampScope &scope, const QString &file, int stream, qint64 offset,
                DataCheck *check);
