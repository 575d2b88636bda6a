#include "layout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace soinsuu {
namespace {
double g_scale = 0;  // 0: not yet worked out
}

double screenScale()
{
    if (g_scale > 0)
        return g_scale;
    double s = 1.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->size();
        s = std::max(1.0, std::min(size.width() / 1024.0, size.height() / 768.0));
    }
    g_scale = s;
    return g_scale;
}

void setScreenScale(double scale) { g_scale = scale; }

int tw(double twips) { return int(std::lround(twips / 15.0 * screenScale())); }

QRect twRect(double left, double top, double width, double height)
{
    return QRect(tw(left), tw(top), tw(width), tw(height));
}

void coverWholeScreen(QWidget* window)
{
    QRect area(0, 0, tw(15360), tw(11520));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->geometry();
    window->setGeometry(area);
}

} // namespace soinsuu
