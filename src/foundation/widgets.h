#pragma once
// Small widget helpers the windows share.

#include <QColor>
#include <QLabel>
#include <functional>

namespace soinsuu {

// A label named for the tests, placed and set in "ＭＳ Ｐゴシック".
QLabel* makeLabel(QWidget* parent, const QString& name, const QRect& rect, double points, bool bold = false,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter);

// Paints the widget's background in one colour.
void fillBackground(QWidget* widget, const QColor& colour);

// A label that acts when clicked (a title banner, a level name).
class ClickableLabel : public QLabel {
public:
    ClickableLabel(QWidget* parent, std::function<void()> onClick);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::function<void()> onClick_;
};

} // namespace soinsuu
