#include "settingsscrollarea.h"

#include <QEvent>
#include <QScrollBar>

SettingsScrollArea::SettingsScrollArea(QWidget *content, QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setWidget(content);
    // The box grows when the file list is shown: the area must ask for the new height.
    content->installEventFilter(this);
}

QSize SettingsScrollArea::sizeHint() const
{
    // QScrollArea caches its content's hint and caps it at 24 lines: neither suits a box
    // whose rows come and go with the test mode.
    if (!widget())
        return QScrollArea::sizeHint();
    const QSize content = widget()->sizeHint();
    return QSize(content.width() + verticalScrollBar()->sizeHint().width(), content.height());
}

QSize SettingsScrollArea::minimumSizeHint() const
{
    if (!widget())
        return QScrollArea::minimumSizeHint();
    const int lines = 4 * fontMetrics().lineSpacing();
    const QSize content = widget()->minimumSizeHint();
    return QSize(content.width() + verticalScrollBar()->sizeHint().width(),
                 qMin(content.height(), lines));
}

bool SettingsScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == widget() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
