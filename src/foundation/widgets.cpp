#include "widgets.h"

namespace soinsuu {

void fillBackground(QWidget* widget, const QColor& colour)
{
    widget->setAutoFillBackground(true);
    QPalette p = widget->palette();
    p.setColor(QPalette::Window, colour);
    widget->setPalette(p);
}

ClickableLabel::ClickableLabel(QWidget* parent, std::function<void()> onClick)
    : QLabel(parent), onClick_(std::move(onClick))
{
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent*)
{
    if (onClick_)
        onClick_();
}

} // namespace soinsuu
