#pragma once

#include <QProxyStyle>

// The application's style with a focus ring that can be seen: the base style draws every
// control as before, then a 2-pixel ring in the highlight colour goes round the button,
// combo box, spin box, check box or radio button that has the keyboard focus.
class FocusRingStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // `baseKey`: the style drawn underneath (QStyleFactory key); empty: the platform's.
    explicit FocusRingStyle(const QString &baseKey = QString());

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;

private:
    static void drawRing(const QStyleOption *option, const QRect &rect, QPainter *painter);
};
