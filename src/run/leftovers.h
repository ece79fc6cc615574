#pragma once

#include "testjournal.h"

#include <QStringList>

// Removes what interrupted tests left on a card (see findLeftovers) and says so in the
// log's words, the same in the window and on the command line: one line for what was
// removed, one per file that could not be. No line when there was nothing to remove.
// `allRemoved` tells whether every file went.
QStringList removeLeftoversLogged(const Leftovers &found, bool *allRemoved = nullptr);
