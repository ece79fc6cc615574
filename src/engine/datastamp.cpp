#include "datastamp.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <cstring>

namespace {
constexpr quint64 kMagic = 0x594649524556554cULL;  // "LUVERIFY" as little-endian bytes

// FNV-1a over the stamp's first 28 bytes: tells a stamp from pattern bytes or a torn one.
quint32 stampChecksum(const unsigned char *stamp)
{
    quint32 h = 2166136261u;
    for (int i = 0; i < 28; ++i) {
        h ^= stamp[i];
        h *= 16777619u;
    }
    return h;
}

bool readStamp(const unsigned char *data, StampKey *key)
{
    if (qFromLittleEndian<quint64>(data) != kMagic
        || qFromLittleEndian<quint32>(data + 28) != stampChecksum(data))
        return false;
    key->run = qFromLittleEndian<quint64>(data + 8);
    key->block = qFromLittleEndian<quint64>(data + 16);
    key->file = qFromLittleEndian<quint32>(data + 24);
    return true;
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
}  // namespace

quint64 newRunId()
{
    quint64 id = 0;
    while (id == 0)
        id = QRandomGenerator::global()->generate64();
    return id;
}

void writeStamp(unsigned char *block, const StampKey &key)
{
    qToLittleEndian<quint64>(kMagic, block);
    qToLittleEndian<quint64>(key.run, block + 8);
    qToLittleEndian<quint64>(key.block, block + 16);
    qToLittleEndian<quint32>(key.file, block + 24);
    qToLittleEndian<quint32>(stampChecksum(block), block + 28);
}

DataCheck::Kind checkBlock(const unsigned char *data, qint64 got, qint64 blockSize,
                           const unsigned char *pattern, const StampKey &expected,
                           qint64 *wrongBytes)
{
    using Kind = DataCheck::Kind;
    unsigned char stamp[kStampBytes];
    writeStamp(stamp, expected);
    const auto payload = static_cast<std::size_t>(blockSize - kStampBytes);
    // The usual case first, and cheap: two comparisons of what is already in the cache.
    if (got == blockSize && std::memcmp(data, stamp, kStampBytes) == 0
        && std::memcmp(data + kStampBytes, pattern + kStampBytes, payload) == 0)
        return Kind::None;

    *wrongBytes = blockSize;
    if (got < blockSize)
        return Kind::Lost;
    StampKey found;
    if (readStamp(data, &found)) {
        if (found.run != expected.run)
            return Kind::Lost;  // an earlier run's block: this write never landed
        if (found.file != expected.file || found.block != expected.block)
            return Kind::WrapRound;
    } else if (isErased(data, blockSize)) {
        return Kind::Lost;
    }
    *wrongBytes =
        differingBytes(data, stamp, kStampBytes)
        + differingBytes(data + kStampBytes, pattern + kStampBytes, blockSize - kStampBytes);
    return Kind::Corrupt;
}
