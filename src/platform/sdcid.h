#pragma once

#include "drives.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// The SD card's CID register as a host controller hands it over: 16 bytes, in the register's
// own order (manufacturer first, CRC last), reversed, or as a 120-bit response without its CRC
// byte. Fills the CID fields of `out` in the same form Linux shows them ("0x000003", "SD32G",
// "0x1a2b3c4d", "04/2021") and returns true only when one reading of the bytes is a CID: its
// CRC holds, or, without a CRC, its names are printable and its date is a date. Garbage is
// never taken for a card.
bool decodeSdCid(const std::uint8_t *bytes, std::size_t size, CardIdentity &out);

// CRC7 of the SD protocol (x^7 + x^3 + 1) over `size` bytes.
std::uint8_t sdCrc7(const std::uint8_t *bytes, std::size_t size);

}  // namespace platform
