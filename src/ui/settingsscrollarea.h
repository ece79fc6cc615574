#pragma once

#include <QScrollArea>

// Holds the settings box. It asks for the box's whole height, so that it shows without a
// scroll bar wherever the window has room, but it can shrink to a few lines on a short screen,
// so that the buttons, the progress and the results below it stay in the window.
class SettingsScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit SettingsScrollArea(QWidget *content, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
