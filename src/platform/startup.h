#pragma once

namespace platform {

// Process-wide settings, made first thing in main(). On Windows the system shows no message
// box of its own for a drive without a medium or a file it cannot open: the program reports
// those itself, and a card reader without a card must not stop a drive listing.
void prepareProcess();

}  // namespace platform
