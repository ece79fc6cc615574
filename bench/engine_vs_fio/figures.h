#pragma once

#include <QString>
#include <QtGlobal>

// What one side (the engine or fio) measured for one pass.
struct PassFigures {
    double mibPerSec = 0.0;
    double cpuSeconds = 0.0;  // user + system, spent while the pass ran
    qint64 bytes = 0;

    double cpuSecondsPerGiB() const
    {
        return bytes > 0 ? cpuSeconds / (double(bytes) / 1073741824.0) : 0.0;
    }
};

// One write pass followed by one read pass over the same files.
struct RunFigures {
    PassFigures write;
    PassFigures read;
    // fio only: user + system seconds of the whole fio process tree (set-up and
    // reporting included) over both passes; negative when not measured.
    double wholeProcessCpuSeconds = -1.0;
    QString error;  // empty when the run completed

    bool ok() const { return error.isEmpty(); }
};

// The settings shared by both sides of one comparison.
struct BenchSettings {
    QString workDir;  // private folder inside the target; every file goes here
    qint64 sizePerStream = 0;
    qint64 blockSize = 0;
    int streams = 1;
    QString fioProgram;
    QString fioSync;  // "sync" (O_SYNC, what sync=1 means) or "dsync" (O_DSYNC)
    bool verbose = false;
    bool verify = false;  // the engine stamps and compares its data (verify_cost only)
};
