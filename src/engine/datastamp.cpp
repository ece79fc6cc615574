#include "datastamp.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cstring>

namespace {
constexpr quint32 kMagic = 0x3156554cu;  // "LUV1" as little-endian bytes

// A few multiplications, not a byte loop: the write path stamps 256 sectors per MiB.
quint32 stampChecksum(quint64 run, quint64 block, quint32 file, quint32 sector)
{
    quint64 h = (run ^ 0x9e3779b97f4a7c15ULL) * 0xbf58476d1ce4e5b9ULL;
    h = (h ^ block) * 0x94d049bb133111ebULL;
    h = (h ^ (quint64(file) << 32 | sector)) * 0xbf58476d1ce4e5b9ULL;
    return quint32(h >> 32) ^ quint32(h);
}

struct Stamp {
    quint64 run;
    quint64 block;
    quint32 file;
    quint32 sector;
};

bool readStamp(const unsigned char *data, Stamp *s)
{
    if (qFromLittleEndian<quint32>(data) != kMagic)
        return false;
    s->run = qFromLittleEndian<quint64>(data + 8);
    s->block = qFromLittleEndian<quint64>(data + 16);
    s->file = qFromLittleEndian<quint32>(data + 24);
    s->sector = qFromLittleEndian<quint32>(data + 28);
    return qFromLittleEndian<quint32>(data + 4)
           == stampChecksum(s->run, s->block, s->file, s->sector);
}

// Flash that was never written reads back as all zeros or all ones.
bool isErased(const unsigned char *data, qint64 size)
{
    const unsigned char first = data[0];
    if (first != 0x00 && first != 0xff)
        return false;
    return std::memcmp(data, data + 1, static_cast<std::size_t>(size - 1)) == 0;
}

qint64 differingBytes(const unsigned char *a, const unsigned char *b, qint64 size)
{
    qint64 n = 0;
    for (qint64 i = 0; i < size; ++i)
        n += a[i] != b[i];
    return n;
}

// The kind a wrong block is counted under: the kind most of its wrong sectors have.
DataCheck::Kind blockKind(const qint64 (&sectors)[5])
{
    int best = 1;
    for (int k = 2; k < 5; ++k) {
        if (sectors[k] > sectors[best])
            best = k;
    }
    return DataCheck::Kind(best);
}
}  // namespace

quint64 newRunId()
{
    quint64 id = 0;
    while (id == 0)
        id = QRandomGenerator::global()->generate64();
    return id;
}

void stampBlock(unsigned char *block, qint64 blockSize, const StampKey &key)
{
    quint32 sector = 0;
    for (qint64 at = 0; at + kStampBytes <= blockSize; at += kSectorBytes, ++sector) {
        unsigned char *s = block + at;
        qToLittleEndian<quint32>(kMagic, s);
        qToLittleEndian<quint32>(stampChecksum(key.run, key.block, key.file, sector), s + 4);
        qToLittleEndian<quint64>(key.run, s + 8);
        qToLittleEndian<quint64>(key.block, s + 16);
        qToLittleEndian<quint32>(key.file, s + 24);
        qToLittleEndian<quint32>(sector, s + 28);
    }
}

DataCheck::Kind classifySector(const unsigned char *got, const unsigned char *expected, qint64 size,
                               const StampScope &scope, qint64 *wrongBytes)
{
    using Kind = DataCheck::Kind;
    const auto bytes = static_cast<std::size_t>(size);
    *wrongBytes = 0;
    if (std::memcmp(got, expected, bytes) == 0)
        return Kind::None;
    *wrongBytes = size;
    if (isErased(got, size))
        return Kind::Lost;
    Stamp found;
    if (size >= kStampBytes && readStamp(got, &found)) {
        if (found.run != scope.run || found.file < scope.liveFrom)
            return Kind::Stale;  // a write that never landed left older data in its place
        if (std::memcmp(got, expected, kStampBytes) != 0)
            return Kind::WrapRound;
    }
    *wrongBytes = differingBytes(got, expected, size);
    return Kind::Corrupt;
}

void checkBlock(const unsigned char *got, const unsigned char *expected, qint64 blockSize,
                const StampScope &scope, const QString &file, int stream, qint64 offset,
                DataCheck *check)
{
    // The usual case, and cheap: one comparison of what is already in the cache.
    if (std::memcmp(got, expected, static_cast<std::size_t>(blockSize)) == 0) {
        check->addGood(blockSize);
        return;
    }
    qint64 sectors[5] = {};
    for (qint64 at = 0; at < blockSize; at += kSectorBytes) {
        const qint64 size = qMin(kSectorBytes, blockSize - at);
        qint64 wrong = 0;
        const DataCheck::Kind kind = classifySector(got + at, expected + at, size, scope, &wrong);
        ++sectors[int(kind)];
        if (kind == DataCheck::Kind::None)
            check->addGood(size);
        else
            check->addWrong(kind, size, wrong, file, stream, offset + at);
    }
    check->countWrongBlock(blockKind(sectors));
}
