#include "exitstatus.h"

int exitStatusFor(RunOutcome outcome, Verdict worst)
{
    switch (outcome) {
    case RunOutcome::Completed:
        return static_cast<int>(worst);  // Pass 0, Warn 1, Fail 2
    case RunOutcome::NotRun:
    case RunOutcome::Failed:
        return 3;
    case RunOutcome::Stopped:
        return 130;  // the shell's status for a SIGINT-ended command
    }
    return 3;
}
