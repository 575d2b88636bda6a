#include "widgets.h"

#include "fonts.h"

namespace soinsuu {

QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& rect, double points, bool bold, Qt::Alignment align)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(rect);
    label->setFont(designFont(kPGothic, points, bold));
    label->setAlignment(align);
    return label;
}

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
