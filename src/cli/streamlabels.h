#pragma once

#include "clioptions.h"

#include <QStringList>

// The display names of the streams a test will have, in the engine's file order: one per
// random-data stream, one per external file that holds at least one whole block (the engine
// skips smaller ones), or the single rolling write of the stress mode.
QStringList streamLabels(const CliOptions &options);

// The label of the results row of stream `index` (0-based): "#1  name", two blanks.
QString streamRowLabel(int index, const QString &name);
