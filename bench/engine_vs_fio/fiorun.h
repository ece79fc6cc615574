#pragma once

#include "figures.h"

#include <QByteArray>
#include <QStringList>

// The fio command line for one pass over the same files, with the engine's block size,
// stream count and size per stream: one job (and one file) per stream, unbuffered,
// synchronous writes, files that grow from empty as the engine's do.
QStringList fioArguments(const BenchSettings &settings, bool writing);

// Reads one pass from fio's JSON output: bandwidth as total bytes over the longest job
// runtime, CPU as the sum of every job's usr+sys. False with `error` set on a bad report.
bool parseFioReport(const QByteArray &output, bool writing, PassFigures &pass, QString &error);

// Runs fio's write pass and then its read pass in settings.workDir and removes its files.
RunFigures runFio(const BenchSettings &settings);
