#pragma once

#include <QString>

// What one stream of a test is: an external file copied to the card, a random-data stream,
// or the single rolling write of the stress test. Its display name is derived on demand so
// that it follows the language.
struct StreamSource {
    enum Kind { ExternalFile = 0, RandomStream = 1, RollingWrite = 2 };

    int kind = RandomStream;
    int index = 0;     // 1-based stream number, for random-data streams
    QString fileName;  // file name without directory, for external files
};

// "Random stream #3", "Rolling write", the file's name; empty for an unknown kind.
QString streamLabel(const StreamSource &source);

// The results row label of stream `index` (0-based): "#1  name", two blanks.
QString streamRowLabel(int index, const QString &name);
