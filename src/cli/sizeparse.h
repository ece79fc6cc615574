#pragma once

#include <QString>
#include <QtGlobal>

// Parses a byte count such as "4096", "64K", "512M", "2G" or "1T" (K, M, G, T are powers
// of 1024; a trailing "B" or "iB" is accepted, case does not matter). Returns false for
// anything else: empty text, signs, fractions, zero, or a value that overflows qint64.
bool parseSize(const QString &text, qint64 *bytes);

// The shortest exact spelling of `bytes` in the units parseSize() reads ("64K", "1M", "3000").
QString formatSize(qint64 bytes);
