#pragma once

#include <QSize>

// The main window's size on a given screen. Its usual size is kept wherever the screen's
// free area holds it; on a smaller area (a 1366 x 768 laptop, or 1920 x 1080 at 125-150 %)
// the window takes what is left and its chart and results table shrink, so that Start,
// Stop and the results never end up off-screen.
struct WindowFit {
    QSize size;            // the size to open with
    QSize minimum;         // the window's minimum size
    bool compact = false;  // the chart and the results table take their smaller minimums
};

// The usual size, and what the window frame (title bar, borders) needs around the client area.
constexpr QSize usualWindowSize(1300, 950);
constexpr QSize windowFrameAllowance(16, 40);

// `available` is the screen's free area (without task bars) in device-independent pixels.
WindowFit fitWindow(const QSize &available);
