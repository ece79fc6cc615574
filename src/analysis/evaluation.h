#pragma once

#include "samplecollection.h"
#include "verdict.h"

// The statistics and verdicts of one results row, recomputed from the collected samples.
struct RowResult {
    SpeedStats write;
    SpeedStats read;
    RowVerdicts verdicts;
    QString dataError;  // why the data verdict failed, for the tooltip; empty when it did not
};

RowResult evaluateCardTotal(const SampleCollection &samples, const VerdictRules &rules);
RowResult evaluateStream(const SampleCollection &samples, int stream, const VerdictRules &rules);

// The card-total row first, then one row per stream when the test had more than one, as
// the results table lists them.
QVector<RowResult> evaluateRows(const SampleCollection &samples, const VerdictRules &rules);
