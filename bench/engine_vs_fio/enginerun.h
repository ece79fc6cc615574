#pragma once

#include "figures.h"

// Runs one real SpeedTester test (random data, read enabled) in settings.workDir and
// returns the averages it reported with the process CPU time of each pass.
RunFigures runEngine(const BenchSettings &settings);
