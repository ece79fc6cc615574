#include "exitstatus.h"

int exitStatusFor(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Completed:
        return 0;
    case RunOutcome::NotRun:
    case RunOutcome::Failed:
        return 3;
    case RunOutcome::Stopped:
        return 130;  // the shell's status for a SIGINT-ended command
    }
    return 3;
}
