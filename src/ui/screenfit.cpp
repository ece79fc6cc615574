#include "screenfit.h"

WindowFit fitWindow(const QSize &available)
{
    WindowFit fit;
    const QSize room = (available - windowFrameAllowance).expandedTo(QSize(0, 0));
    if (room.width() >= usualWindowSize.width() && room.height() >= usualWindowSize.height()) {
        fit.size = usualWindowSize;
        fit.minimum = usualWindowSize;
        return fit;
    }
    // A minimum above the free area would push the lower part of the window off-screen.
    fit.size = room.boundedTo(usualWindowSize);
    fit.minimum = fit.size;
    fit.compact = room.height() < usualWindowSize.height();
    return fit;
}
