#pragma once

#include "figures.h"

// Diagnostic side: the engine's FileWorker threads alone, started together and timed from
// the first start to the last join, without the pass that watches and samples them.
// Set against the engine's own figures it shows what the pass layer costs.
RunFigures runBareWorkers(const BenchSettings &settings);
