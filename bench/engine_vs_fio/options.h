#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct BenchOptions {
    QString target;  // empty: a temporary folder under the system's temp path
    qint64 sizePerStream = 1073741824;
    qint64 blockSize = 1048576;
    int streams = 1;
    int repeat = 1;
    QString fioProgram = QStringLiteral("fio");
    QString fioSync = QStringLiteral("sync");
    bool verbose = false;
    bool withWorkers = false;    // also time bare FileWorkers, for diagnosis
    bool helpRequested = false;  // parseOptions() then returns false with the help text
};

// Parses the command line; on failure returns false with a message in `error`.
bool parseOptions(const QStringList &arguments, BenchOptions &options, QString &error);
