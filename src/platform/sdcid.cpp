#include "sdcid.h"

#include <array>
#include <cstdio>
#include <utility>

namespace platform {

namespace {

using Cid = std::array<std::uint8_t, 16>;

bool printable(const std::uint8_t *text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] < 0x20 || text[i] > 0x7e)
            return false;
    }
    return true;
}

// The manufacturer, the two names and the date look like a card's.
bool plausible(const Cid &cid)
{
    const int month = cid[14] & 0x0f;
    return cid[0] != 0 && printable(&cid[1], 2) && printable(&cid[3], 5) && month >= 1
           && month <= 12;
}

bool crcHolds(const Cid &cid)
{
    return (cid[15] & 1) == 1 && (cid[15] >> 1) == sdCrc7(cid.data(), 15);
}

void fill(const Cid &cid, CardIdentity &out)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%06x", unsigned(cid[0]));
    out.cidManufacturerId = text;
    std::string name(reinterpret_cast<const char *>(&cid[3]), 5);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    out.cidName = name;
    const unsigned serial =
        (unsigned(cid[9]) << 24) | (unsigned(cid[10]) << 16) | (unsigned(cid[11]) << 8) | cid[12];
    std::snprintf(text, sizeof text, "0x%08x", serial);
    out.cidSerial = text;
    const int year = 2000 + (((cid[13] & 0x0f) << 4) | (cid[14] >> 4));
    std::snprintf(text, sizeof text, "%02d/%04d", cid[14] & 0x0f, year);
    out.cidDate = text;
}

}  // namespace

std::uint8_t sdCrc7(const std::uint8_t *bytes, std::size_t size)
{
    std::uint8_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t byte = bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = std::uint8_t(crc << 1);
            if ((byte ^ crc) & 0x80)
                crc ^= 0x09;
            byte = std::uint8_t(byte << 1);
        }
    }
    return crc & 0x7f;
}

bool decodeSdCid(const std::uint8_t *bytes, std::size_t size, CardIdentity &out)
{
    if (size < 16)
        return false;
    Cid asIs;
    Cid reversed;
    for (std::size_t i = 0; i < 16; ++i) {
        asIs[i] = bytes[i];
        reversed[i] = bytes[15 - i];
    }
    for (const Cid &cid : {asIs, reversed}) {
        if (crcHolds(cid) && plausible(cid)) {
            fill(cid, out);
            return true;
        }
    }
    // A controller that drops the CRC keeps bits 127..8 in the low 15 bytes, reversed (the
    // byte left over is zero), or in the high 15 in the register's order.
    Cid noCrcLow{};
    Cid noCrcHigh{};
    for (std::size_t i = 0; i < 15; ++i) {
        noCrcLow[i] = bytes[14 - i];
        noCrcHigh[i] = bytes[i + 1];
    }
    const std::pair<Cid, bool> withoutCrc[] = {{noCrcLow, bytes[15] == 0},
                                               {noCrcHigh, bytes[0] == 0}};
    for (const auto &[cid, leftoverEmpty] : withoutCrc) {
        if (leftoverEmpty && plausible(cid)) {
            fill(cid, out);
            return true;
        }
    }
    return false;
}

}  // namespace platform
