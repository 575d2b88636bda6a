#include "layout.h"

#include "window_rules.h"

#include <QChildEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace soinsuu {
namespace {

double g_scale = 0;  // 0: not yet worked out

const QString kStageName = QStringLiteral("DesignStage");

// The design's area in a window that covers the screen. It follows the
// window's size, which the window manager may still change when the window
// is shown, and takes in the window's new children.
class DesignStage final : public QWidget {
public:
    explicit DesignStage(QWidget* window) : QWidget(window)
    {
        setObjectName(kStageName);
        resize(tw(15360), tw(11520));
        centre();
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent())
            return false;
        if (event->type() == QEvent::Resize)
            centre();
        else if (event->type() == QEvent::ChildAdded)
            adopt(static_cast<QChildEvent*>(event)->child());
        return false;
    }

private:
    void centre()
    {
        // A screen smaller than the design keeps the design's top-left
        // corner, where the title and the way out are.
        const QWidget* window = parentWidget();
        move(std::max(0, (window->width() - width()) / 2), std::max(0, (window->height() - height()) / 2));
    }

    void adopt(QObject* child)
    {
        if (child == this || !child->isWidgetType())
            return;
        auto* widget = static_cast<QWidget*>(child);
        // A dialog or a menu opened over the window is a window of its own.
        if (widget->isWindow())
            return;
        widget->setParent(this);
    }
};

QWidget* stageOf(const QWidget* window)
{
    return window ? window->findChild<QWidget*>(kStageName, Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

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

QWidget* coverWholeScreen(QWidget* window)
{
    if (QWidget* stage = stageOf(window))
        return stage;
    QRect area(0, 0, tw(15360), tw(11520));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->geometry();
    window->setGeometry(area);
    window->setWindowState(window->windowState() | Qt::WindowFullScreen);
    auto* stage = new DesignStage(window);
    pressFocusedButtonOnReturn(window);
    return stage;
}

QPoint designOrigin(const QWidget* window)
{
    const QWidget* stage = stageOf(window);
    return stage ? stage->pos() : QPoint();
}

} // namespace soinsuu
