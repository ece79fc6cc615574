#pragma once

#include "datacheck.h"
#include "evaluation.h"

#include <QVector>

// Data that came back wrong fails the card, whatever its speeds: the card total, and each
// stream whose file came back wrong, with the reason for the tooltip. `stream` -1 is the
// card total.
RowResult judgeData(RowResult row, const DataCheck &check, int stream);
// The rows as evaluateRows() lists them: the card total, then the streams.
void judgeData(QVector<RowResult> *rows, const DataCheck &check);
