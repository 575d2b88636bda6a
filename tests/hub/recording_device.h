#pragma once
// A paint device that keeps what is drawn on it instead of pixels: the box
// of every text (from the font's ascent and descent and the text's advance)
// and every line with its pen width, in device pixels, after the painter's
// transform. A 2x device scales the painter as a 2x screen's image does.

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <QTextItem>
#include <vector>

namespace soinsuu::test {

struct DrawnText {
    QRectF box;
    QString text;
};
struct DrawnLine {
    QLineF line;
    double width = 0;
};

class RecordingDevice final : public QPaintDevice {
public:
    RecordingDevice(QSize logicalSize, double ratio, int dpi = 96) : size_(logicalSize), ratio_(ratio), dpi_(dpi) {}
    ~RecordingDevice() override = default;
    QPaintEngine* paintEngine() const override { return &engine_; }
    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return int(size_.width() * ratio_);
        case PdmHeight: return int(size_.height() * ratio_);
        case PdmWidthMM: return int(size_.width() * 25.4 / dpi_);
        case PdmHeightMM: return int(size_.height() * 25.4 / dpi_);
        case PdmNumColors: return 0x7fffffff;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return dpi_;
        case PdmDevicePixelRatio: return int(ratio_);
        case PdmDevicePixelRatioScaled: return int(ratio_ * QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(RecordingDevice& d) : QPaintEngine(AllFeatures), d_(d) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        Type type() const override { return User; }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            const QRectF box(p.x(), p.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            d_.texts.push_back({transform().mapRect(box), item.text()});
        }
        void drawLines(const QLineF* lines, int count) override
        {
            for (int i = 0; i < count; ++i)
                add(lines[i]);
        }
        void drawLines(const QLine* lines, int count) override
        {
            for (int i = 0; i < count; ++i)
                add(QLineF(lines[i]));
        }
        void drawRects(const QRectF* rects, int count) override
        {
            if (state->pen().style() == Qt::NoPen)
                return;
            for (int i = 0; i < count; ++i) {
                const QRectF& r = rects[i];
                add({r.topLeft(), r.topRight()});
                add({r.topRight(), r.bottomRight()});
                add({r.bottomRight(), r.bottomLeft()});
                add({r.bottomLeft(), r.topLeft()});
            }
        }
        void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
        {
            if (state->pen().style() == Qt::NoPen)
                return;
            for (int i = 1; i < count; ++i)
                add({points[i - 1], points[i]});
            if (mode != PolylineMode && count > 2)
                add({points[count - 1], points[0]});
        }
        void drawEllipse(const QRectF&) override {}  // the chart's dots
        void drawPath(const QPainterPath& path) override
        {
            if (state->pen().style() == Qt::NoPen)
                return;
            for (const QPolygonF& poly : path.toSubpathPolygons())
                drawPolygon(poly.constData(), int(poly.size()), PolylineMode);
        }

    private:
        QTransform transform() const { return state->transform(); }
        void add(const QLineF& line)
        {
            const double scale = std::sqrt(std::abs(transform().determinant()));
            const double width = std::max(1.0, state->pen().widthF()) * scale;
            d_.lines.push_back({transform().map(line), width});
        }
        RecordingDevice& d_;
    };
    QSize size_;
    double ratio_;
    int dpi_;
    mutable Engine engine_{*const_cast<RecordingDevice*>(this)};
};

} // namespace soinsuu::test
