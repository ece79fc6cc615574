#pragma once

#include "verdict.h"

// How an invocation ended, and the one place that turns that into the process's exit status.
enum class RunOutcome {
    Completed,  // every round ran to its end: the verdict decides
    NotRun,     // refused before anything was written, or bad usage
    Failed,     // the engine reported an error, or the report could not be written
    Stopped,    // interrupted by the user (SIGINT, SIGTERM)
};

// 0 Pass, 1 Warn, 2 Fail for a completed run (`worst` is the worst verdict over the rows of
// the results table); 3 a run that did not happen or failed; 130 a stopped one.
int exitStatusFor(RunOutcome outcome, Verdict worst = Verdict::Pass);
