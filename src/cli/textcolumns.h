#pragma once

#include <QString>

// How many terminal columns text takes, one measure for the table and the progress line:
// East Asian wide and fullwidth characters take two, combining marks, zero-width and
// control characters none, everything else one.
int columnsOf(uint codePoint);
int displayColumns(const QString &text);
// The longest start of `text` that fits into `columns`, never splitting a character.
QString cutToColumns(const QString &text, int columns);
// `text` cut to at most `width` columns, ending in "..." when something was cut.
QString elideToWidth(const QString &text, int width);
