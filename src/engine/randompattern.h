#pragma once

#include <QtGlobal>

// Fills `size` bytes with the test pattern: a 32-bit xorshift (13, 17, 5) seeded with
// 0xDEADBEEF, one little-endian word after another. Every block written by every
// random-data stream is this same pattern, so it starts with the bytes B7 20 7D 47.
// A trailing remainder of fewer than four bytes is left as it is.
void fillRandomPattern(unsigned char *buffer, qint64 size);
