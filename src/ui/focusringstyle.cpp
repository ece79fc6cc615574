#include "focusringstyle.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

FocusRingStyle::FocusRingStyle(const QString &baseKey)
    : QProxyStyle(baseKey.isEmpty() ? nullptr : QStyleFactory::create(baseKey))
{}

void FocusRingStyle::drawRing(const QStyleOption *option, const QRect &rect, QPainter *painter)
{
    if (!(option->state & State_HasFocus) || !(option->state & State_Enabled))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2.0));
    painter->drawRoundedRect(QRectF(rect).adjusted(1.0, 1.0, -1.0, -1.0), 3.0, 3.0);
    painter->restore();
}

void FocusRingStyle::drawControl(ControlElement element, const QStyleOption *option,
                                 QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    switch (element) {
    case CE_PushButton:
        drawRing(option, option->rect, painter);
        break;
    case CE_CheckBox:
    case CE_RadioButton: {
        // Round the box and its text, not the whole row a layout may have stretched it to.
        const bool check = element == CE_CheckBox;
        const QRect box =
            subElementRect(check ? SE_CheckBoxIndicator : SE_RadioButtonIndicator, option, widget);
        const QRect text =
            subElementRect(check ? SE_CheckBoxFocusRect : SE_RadioButtonFocusRect, option, widget);
        drawRing(option, (box | text).adjusted(-2, -2, 2, 2) & option->rect, painter);
        break;
    }
    default:
        break;
    }
}

void FocusRingStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                        QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_SpinBox)
        drawRing(option, option->rect, painter);
}
