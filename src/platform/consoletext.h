#pragma once

#include <cstddef>

namespace platform {

// Writes UTF-16 text to standard output (fd 1) or standard error (fd 2) when that stream is a
// console window, as characters, so that no code page can lose one. Returns false, having
// written nothing, when the stream is a file or a pipe (and always on Linux, where every
// stream takes UTF-8 bytes): the caller then writes the text as UTF-8.
bool writeToConsole(int fd, const char16_t *text, std::size_t length);

}  // namespace platform
