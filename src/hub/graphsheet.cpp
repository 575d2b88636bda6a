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

namespace {

QFont sheetFont(double points, const SheetStyle& style)
{
    QFont f(kGothic);
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPixelSize(std::max(1, int(std::lround(points * 96.0 / 72.0 * style.pixel))));
    return f;
}

// Text with its top left corner at (x, y), as the sheet places every text.
void textAt(QPainter& p, double x, double y, const QString& text)
{
    p.drawText(QRectF(x, y, 1e6, 1e6), Qt::AlignLeft | Qt::AlignTop, text);
}

QString dateText(double oleDay) { return dateFromOle(oleDay).toString(QStringLiteral("yyyy/MM/dd")); }

} // namespace

void drawLevelBlock(QPainter& p, const QSizeF& page, const SheetBlock& b, const SheetStyle& style)
{
    const double H = page.height(), W = page.width();
    const double h = H / 3, w = W / 2;
    const double N = b.top * H;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    if (N < 0.08 * H) {
        p.setFont(sheetFont(style.fontPoints * 3, style));
        textAt(p, 0.005 * W, 0.0067 * H, b.studentName);
    }
    p.setPen(QPen(Qt::black, 2 * style.pixel));
    p.drawLine(QPointF(0, N), QPointF(W, N));
    p.drawLine(QPointF(0, N + 0.09 * h), QPointF(W, N + 0.09 * h));
    p.setFont(sheetFont(style.fontPoints * (style.printer ? 3 : 2), style));
    textAt(p, 0.7 * w, N + 0.01 * h, b.title);

    const double axisY = N + 0.8 * h, axisTop = N + 0.1 * h;
    p.drawLine(QPointF(0.2 * w, axisY), QPointF(0.9 * w, axisY));
    p.drawLine(QPointF(0.2 * w, axisY), QPointF(0.2 * w, axisTop));

    const LevelBlock& r = b.runs;
    const double A = r.axisMax;
    p.setFont(sheetFont(style.fontPoints, style));
    std::vector<QPointF> records;
    std::vector<const PlottedRun*> recordRuns;
    QPointF last;
    for (const PlottedRun& run : r.plotted) {
        const double x = w * (0.2 + 0.7 * run.k / std::max(1, r.runCount));
        // A time beyond the capped axis stays at the top of the chart rather
        // than reaching into the block above.
        const double y = std::max(axisTop, N + h * (0.8 - 0.7 * run.time / A));
        last = QPointF(x, y);
        const double dot = 5 * style.pixel;
        p.setPen(Qt::NoPen);
        p.setBrush(run.record ? QColor(255, 0, 0) : QColor(0, 0, 255));
        p.drawEllipse(last, dot / 2, dot / 2);
        if (run.record) {
            records.push_back(last);
            recordRuns.push_back(&run);
        }
    }
    p.setBrush(Qt::NoBrush);
    if (!records.empty()) {
        p.setPen(Qt::black);
        textAt(p, last.x() - 0.025 * w, N + 0.815 * h, dateText(r.plotted.back().date));
        p.setPen(QPen(QColor(255, 0, 0), 3 * style.pixel));
        for (std::size_t i = 1; i < records.size(); ++i)
            p.drawLine(records[i - 1], records[i]);
        p.setPen(Qt::black);
        const QFontMetricsF metrics(p.font());
        textAt(p, 0.12 * w, N + 0.79 * h, QStringLiteral("0秒"));
        textAt(p, 0.12 * w, axisTop - metrics.height() / 2, QString::number(r.axisMax) + u'秒');
        QString previous;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const QString date = dateText(recordRuns[i]->date);
            const QString label = QString::number(recordRuns[i]->time) + QStringLiteral("秒 ") + recordDateText(date, previous);
            previous = date;
            textAt(p, records[i].x() + 0.01 * w, records[i].y() - metrics.height(), label);
        }
    }

    p.setPen(Qt::black);
    p.setFont(sheetFont(style.fontPoints * 1.5, style));
    const double s = (style.printer ? 0.06 : 0.08) * h;
    double y = N + 0.05 * h + s;
    for (int i = 0; i < b.table.size(); ++i) {
        if (i == b.table.size() - 1)
            y += s / 3;  // the school-average label stands a little apart
        textAt(p, 1.05 * w, y, b.table[i]);
        y += s;
    }
    p.restore();
}

} // namespace soinsuu
