#include "graphsheet.h"

#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "foundation/roster.h"

#include <QPainter>
#include <QPainterPath>

#include <optional>

#include <algorithm>
#include <cmath>

namespace soinsuu {

bool graphStudentLines(RunContext& ctx, QStringList* lines, QString* error)
{
    const QString path = rosterFilePath(ctx);
    QString why;
    const std::optional<QString> text = cp932::readTextFile(path, &why);
    if (!text) {
        if (error)
            *error = QStringLiteral("%1：%2").arg(path, why);
        return false;
    }
    QStringList out;
    const bool read = forEachRosterLine(*text, [&](const RosterLine& line) {
        const int n = line.studentNumber;
        const QString name = trimHalfWidthSpaces(line.studentName.left(kNameLength));
        ctx.studentNames[std::size_t(n)] = name;
        ctx.studentBirthYears[std::size_t(n)] = std::int16_t(line.birthYear);
        const QString gradeName = gradeNameOf(gradeNumberOf(ctx.schoolYear, line.birthYear));
        ctx.studentGradeNames[std::size_t(n)] = gradeName;
        if (line.listStatus == 0)
            out << gradeName + QStringLiteral(" /  ") + name + u'/' + QString::number(n);
    }, &why);
    if (!read) {
        if (error)
            *error = QStringLiteral("%1：%2").arg(path, why);
        return false;
    }
    *lines = out;
    return true;
}

int studentOfLine(const QString& line)
{
    const qsizetype slash = line.lastIndexOf(u'/');
    if (slash < 0)
        return -1;
    bool ok = false;
    const int n = line.mid(slash + 1).trimmed().toInt(&ok);
    return ok && isValidStudentNumber(n) ? n : -1;
}

std::vector<BlockPlace> placeBlocks(const std::vector<int>& lines, int firstLevelOffset, int levelCount)
{
    std::vector<BlockPlace> places;
    double y = -0.25;
    for (int i : lines) {
        y += 0.3;
        bool newPage = false;
        if (0.9 < y) {
            newPage = true;
            y = 0.05;
        }
        const int level = i + firstLevelOffset - 1;
        if (level > levelCount)
            break;
        places.push_back({level, y, newPage});
    }
    return places;
}

QString recordDateText(const QString& date, const QString& previousDate)
{
    return !previousDate.isEmpty() && date.left(5) == previousDate.left(5) ? date.right(5) : date;
}

QString pdfPathFor(const QString& chosen, const QString& studentName, bool several,
                   const std::function<bool(const QString&)>& taken)
{
    if (!several)
        return chosen;
    QString base = chosen;
    if (base.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        base.chop(4);
    base += u'_' + studentName;
    // The teacher confirmed replacing the chosen file only: a sheet of
    // another student never replaces a file that is already there.
    QString path = base + QStringLiteral(".pdf");
    for (int n = 2; taken(path); ++n)
        path = base + QStringLiteral("(%1).pdf").arg(n);
    return path;
}

QString pageHeaderText(const QString& schoolName, const QDate& printed)
{
    return schoolName + QStringLiteral("　印刷日 ") + printed.toString(QStringLiteral("yyyy/MM/dd"));
}

namespace {

QFont sheetFont(double points, const SheetStyle& style)
{
    QFont f(kGothic);
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPixelSize(std::max(1, int(std::lround(points * 96.0 / 72.0 * style.pixel))));
    return f;
}

QString dateText(double oleDay) { return dateFromOle(oleDay).toString(QStringLiteral("yyyy/MM/dd")); }

// True when the segment from a to b, drawn with the given width, touches
// the box.
bool segmentTouches(const QRectF& box, QPointF a, QPointF b, double width)
{
    const QRectF r = box.adjusted(-width / 2, -width / 2, width / 2, width / 2);
    // Liang-Barsky clipping: the segment touches the box when a part of it
    // survives clipping to the box.
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

// Draws one block and remembers what it drew, so that a text is only put
// where no line crosses it and no other text lies.
class Canvas {
public:
    Canvas(QPainter& p, const SheetStyle& style) : p_(p), style_(style) {}

    void line(QPointF a, QPointF b, double width, const QColor& colour = Qt::black)
    {
        p_.setPen(QPen(colour, width * style_.pixel, Qt::SolidLine, Qt::FlatCap));
        p_.drawLine(a, b);
        lines_.push_back({a, b, width * style_.pixel});
    }
    void dot(QPointF at, double diameter, const QColor& colour)
    {
        p_.setPen(Qt::NoPen);
        p_.setBrush(colour);
        const double d = diameter * style_.pixel;
        p_.drawEllipse(at, d / 2, d / 2);
        p_.setBrush(Qt::NoBrush);
        boxes_.push_back(QRectF(at.x() - d / 2, at.y() - d / 2, d, d));
    }

    // The box a text takes at (x, y), its top left corner, in the font.
    QRectF box(double x, double y, const QString& text, const QFont& font) const
    {
        const QFontMetricsF m(font, p_.device());
        return QRectF(x, y, m.horizontalAdvance(text), m.ascent() + m.descent());
    }
    bool isFree(const QRectF& r) const
    {
        const QRectF inner = r.adjusted(-gap(), -gap(), gap(), gap());
        for (const QRectF& b : boxes_)
            if (inner.intersects(b))
                return false;
        for (const Segment& s : lines_)
            if (segmentTouches(inner, s.a, s.b, s.width))
                return false;
        return true;
    }
    void text(const QRectF& r, const QString& text, const QFont& font)
    {
        p_.setPen(Qt::black);
        p_.setFont(font);
        p_.drawText(r.topLeft() + QPointF(0, QFontMetricsF(font, p_.device()).ascent()), text);
        boxes_.push_back(r);
    }
    // The first of the places (top left corners) where the text lies free
    // and inside the area; false, drawing nothing, when there is none.
    bool textAtFirstFree(const std::vector<QPointF>& places, const QString& t, const QFont& font, const QRectF& area)
    {
        for (const QPointF& at : places) {
            const QRectF r = box(at.x(), at.y(), t, font);
            if (area.contains(r) && isFree(r)) {
                text(r, t, font);
                return true;
            }
        }
        return false;
    }
    // The largest font up to `points` in which the text fits the area at
    // its top left corner (the smallest readable one when none does).
    QFont fitting(double points, const QString& t, const QRectF& area) const
    {
        QFont f = sheetFont(points, style_);
        for (double pt = points; pt > 3; pt -= 0.25) {
            f = sheetFont(pt, style_);
            const QRectF r = box(area.left(), area.top(), t, f);
            if (r.width() <= area.width() && r.height() <= area.height())
                break;
        }
        return f;
    }
    // Room kept between a text and anything else.
    double gap() const { return 1.0 * style_.pixel; }

    const SheetStyle& style() const { return style_; }

private:
    struct Segment {
        QPointF a, b;
        double width;
    };
    QPainter& p_;
    const SheetStyle& style_;
    std::vector<Segment> lines_;
    std::vector<QRectF> boxes_;
};

} // namespace

void drawLevelBlock(QPainter& p, const QSizeF& page, const SheetBlock& b, const SheetStyle& style)
{
    const double H = page.height(), W = page.width();
    const double h = H / 3, w = W / 2;
    const double N = b.top * H;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    Canvas c(p, style);
    // Texts keep this far from the frame lines and axes: the line's half
    // width and twice the gap, so a text that touches the edge of its area
    // is still clear of the line.
    const double frame = 2, frameRoom = frame * style.pixel / 2 + 2 * c.gap();

    // The frame lines first: every text of the block keeps clear of them.
    const double bandBottom = N + 0.09 * h;
    c.line(QPointF(0, N), QPointF(W, N), frame);
    c.line(QPointF(0, bandBottom), QPointF(W, bandBottom), frame);
    const double axisY = N + 0.8 * h, axisTop = N + 0.1 * h;
    c.line(QPointF(0.2 * w, axisY), QPointF(0.9 * w, axisY), frame);
    c.line(QPointF(0.2 * w, axisY), QPointF(0.2 * w, axisTop), frame);

    if (N < 0.08 * H) {
        // Above the first frame line of a page: the student's name, and on
        // paper the school and the day of printing at the right.
        const double top = 0.0067 * H;
        QRectF strip(0.005 * W, top, W - 0.01 * W, N - frameRoom - top);
        if (!b.pageHeader.isEmpty()) {
            const QFont f = c.fitting(style.fontPoints * 1.5, b.pageHeader, strip);
            QRectF r = c.box(0, 0, b.pageHeader, f);
            r.moveTopRight(QPointF(strip.right(), strip.bottom() - r.height()));
            c.text(r, b.pageHeader, f);
            strip.setRight(r.left() - 4 * c.gap());
        }
        const QFont f = c.fitting(style.fontPoints * 3, b.studentName, strip);
        c.text(c.box(strip.left(), strip.top(), b.studentName, f), b.studentName, f);
    }
    {
        const double top = N + std::max(0.01 * h, frameRoom);
        const QRectF band(0.7 * w, top, W - 0.7 * w - 0.005 * W, bandBottom - frameRoom - top);
        const QFont f = c.fitting(style.fontPoints * (style.printer ? 3 : 2), b.title, band);
        c.text(c.box(band.left(), band.top(), b.title, f), b.title, f);
    }

    // The comparison table, spaced to end above the next block's frame.
    {
        const int n = int(b.table.size());
        const double nominal = (style.printer ? 0.06 : 0.08) * h;
        const double firstTop = bandBottom + frameRoom;
        const double bottom = N + 0.9 * h - frameRoom;
        double points = style.fontPoints * 1.5;
        QFont f = sheetFont(points, style);
        double s = nominal, lineHeight = 0;
        for (; points > 3; points -= 0.25) {
            f = sheetFont(points, style);
            lineHeight = c.box(0, 0, QStringLiteral("回"), f).height();
            // Lines at N + 0.05h + s·(i + 1), the last one a third of a
            // line further down.
            s = std::min(nominal, (bottom - lineHeight - (N + 0.05 * h)) / (n + 1.0 / 3));
            s = std::max(s, firstTop - (N + 0.05 * h));
            if (s >= lineHeight + c.gap() && N + 0.05 * h + s * (n + 1.0 / 3) + lineHeight <= bottom)
                break;
        }
        double y = N + 0.05 * h + s;
        for (int i = 0; i < n; ++i) {
            if (i == n - 1 && n > 1)
                y += s / 3;  // the school-average label stands a little apart
            c.text(c.box(1.05 * w, y, b.table[i], f), b.table[i], f);
            y += s;
        }
    }

    const LevelBlock& r = b.runs;
    const double A = r.axisMax;
    const QFont small = sheetFont(style.fontPoints, style);
    std::vector<QPointF> records;
    std::vector<const PlottedRun*> recordRuns;
    QPointF last;
    std::vector<std::pair<QPointF, bool>> dots;
    for (const PlottedRun& run : r.plotted) {
        const double x = w * (0.2 + 0.7 * run.k / std::max(1, r.runCount));
        // A time beyond the capped axis stays at the top of the chart rather
        // than reaching into the block above.
        const double y = std::max(axisTop, N + h * (0.8 - 0.7 * run.time / A));
        last = QPointF(x, y);
        dots.push_back({last, run.record});
        if (run.record) {
            records.push_back(last);
            recordRuns.push_back(&run);
        }
    }
    for (std::size_t i = 1; i < records.size(); ++i)
        c.line(records[i - 1], records[i], 3, QColor(255, 0, 0));
    for (const auto& [at, record] : dots)
        c.dot(at, 5, record ? QColor(255, 0, 0) : QColor(0, 0, 255));

    if (!records.empty()) {
        const double lh = c.box(0, 0, QStringLiteral("0"), small).height();
        const QRectF under(0, axisY + frameRoom, W, N + 0.9 * h - frameRoom - axisY - frameRoom);
        const QString lastDate = dateText(r.plotted.back().date);
        const double lastWidth = c.box(0, 0, lastDate, small).width();
        c.textAtFirstFree({QPointF(last.x() - 0.025 * w, N + 0.815 * h), QPointF(last.x() - 0.025 * w, axisY + frameRoom),
                           QPointF(last.x() - lastWidth, N + 0.815 * h), QPointF(0.2 * w + c.gap(), N + 0.815 * h)},
                          lastDate, small, under);
        const QRectF left(0, bandBottom + frameRoom, 0.2 * w - frameRoom, N + 0.9 * h - frameRoom - bandBottom - frameRoom);
        const QString zero = QStringLiteral("0秒");
        c.textAtFirstFree({QPointF(0.12 * w, N + 0.79 * h), QPointF(0.12 * w, axisY - lh - frameRoom),
                           QPointF(left.right() - c.box(0, 0, zero, small).width(), axisY - lh / 2)},
                          zero, small, left);
        const QString top = QString::number(r.axisMax) + u'秒';
        const double topWidth = c.box(0, 0, top, small).width();
        c.textAtFirstFree({QPointF(0.12 * w, axisTop - lh / 2), QPointF(left.right() - topWidth, axisTop - lh / 2),
                           QPointF(left.right() - topWidth, left.top())},
                          top, small, left);

        // Beside each record point its time and date. The newest record,
        // the best time, is placed first; a label that finds no free place
        // among the close runs around it is left out.
        const QRectF chart(0.2 * w + frameRoom, bandBottom + frameRoom, 1.05 * w - 0.2 * w - 2 * frameRoom,
                           axisY - frameRoom - bandBottom - frameRoom);
        std::vector<QString> labels(records.size());
        QString previous;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const QString date = dateText(recordRuns[i]->date);
            labels[i] = QString::number(recordRuns[i]->time) + QStringLiteral("秒 ") + recordDateText(date, previous);
            previous = date;
        }
        for (std::size_t i = records.size(); i-- > 0;) {
            const QPointF at = records[i];
            const double lw = c.box(0, 0, labels[i], small).width();
            const double d = 0.01 * w + 2.5 * style.pixel;
            std::vector<QPointF> places;
            for (double lift : {0.0, 1.0, 2.0, 3.0, 4.0, 5.0}) {
                places.push_back(QPointF(at.x() + d, at.y() - lh - lift * lh));
                places.push_back(QPointF(at.x() + d, at.y() + d * 0.5 + lift * lh));
                places.push_back(QPointF(at.x() - d - lw, at.y() - lh - lift * lh));
                places.push_back(QPointF(at.x() - d - lw, at.y() + d * 0.5 + lift * lh));
            }
            c.textAtFirstFree(places, labels[i], small, chart);
        }
    }
    p.restore();
}

} // namespace soinsuu
