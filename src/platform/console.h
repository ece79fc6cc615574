#pragma once

namespace platform {

// Whether standard output / standard error is an interactive terminal.
bool stdoutIsTerminal();
bool stderrIsTerminal();
// The width of the terminal on standard error in columns; 0 when it is not one or unknown.
int stderrColumns();

// Turns the interrupt signals (Ctrl-C, SIGTERM, SIGHUP; on Windows the console's close,
// log-off and shut-down events) into a flag that the program polls, so the test can be
// stopped cleanly and its files removed.
void installInterruptHandler();
bool interruptRequested();

}  // namespace platform
