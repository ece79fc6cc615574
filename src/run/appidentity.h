#pragma once

// The program's identity: it selects where every QSettings of the program lives (the window
// and the command line share one store), so each front end sets it before anything else.
void setApplicationIdentity();
