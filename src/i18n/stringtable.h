#pragma once

#include <cstddef>

// One text of the program: its key and its text in each language, as UTF-8.
struct StringEntry {
    const char *key;
    const char *simplified;
    const char *english;
    const char *traditional;
};

// The program's texts in their order of entry.
extern const StringEntry baseStringTable[];
extern const std::size_t baseStringTableSize;

// Texts added later, entered after the base table.
extern const StringEntry stringTableAdditions[];
extern const std::size_t stringTableAdditionsSize;
