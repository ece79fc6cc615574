#pragma once

// How an invocation ended, and the one place that turns that into the process's exit status.
enum class RunOutcome {
    Completed,  // every round ran to its end
    NotRun,     // refused before anything was written, or bad usage
    Failed,     // the engine reported an error
    Stopped,    // interrupted by the user (SIGINT, SIGTERM)
};

int exitStatusFor(RunOutcome outcome);
