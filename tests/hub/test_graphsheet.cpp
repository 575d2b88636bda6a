#include "hub/graphsheet.h"
#include "foundation/fonts.h"
#include "foundation/roster.h"
#include "support/fakes.h"
#include "recording_device.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {

// Runs of one student on a level as the sheet plots them: times in file
// order, one a day from 2026/12/01 (day 46357), `perDay` runs a day.
LevelBlock runsOf(const QList<int>& times, int perDay = 1, int startDay = 46357)
{
    LevelBlock b;
    int best = kNoTime, k = 0;
    for (int t : times) {
        if (t < 1800) {
            ++b.runCount;
            b.runTimeSum += t;
            b.runTimeMax = std::max(b.runTimeMax, t);
        }
    }
    b.axisMax = std::min(1000, (b.runTimeMax / 10 + 1) * 10);
    for (int i = 0; i < times.size(); ++i) {
        const int t = times[i];
        if (t < 1800)
            ++k;
        const bool record = t < best;
        if (record) {
            best = t;
            b.bestRunText = QString::number(t) + QStringLiteral("秒");
        }
        b.plotted.push_back({k, t, double(startDay + i / perDay), record});
    }
    b.schoolTimeSum = b.runTimeSum;
    b.schoolTimeCount = b.runCount;
    b.schoolBestTime = best;
    return b;
}

bool crosses(const QRectF& box, const test::DrawnLine& l)
{
    const QRectF r = box.adjusted(-l.width / 2, -l.width / 2, l.width / 2, l.width / 2);
    if (r.contains(l.line.p1()) || r.contains(l.line.p2()))
        return true;
    const QLineF edges[4] = {{r.topLeft(), r.topRight()}, {r.topRight(), r.bottomRight()},
                             {r.bottomRight(), r.bottomLeft()}, {r.bottomLeft(), r.topLeft()}};
    for (const QLineF& e : edges) {
        QPointF at;
        if (l.line.intersects(e, &at) == QLineF::BoundedIntersection)
            return true;
    }
    return false;
}

} // namespace

// Where the graph sheet puts its blocks, whom its student list offers, and
// what one block draws.
class TestGraphSheet : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }

    void blockPlaces_data()
    {
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("levelCount");
        QTest::addColumn<QString>("expected");  // level@top, "+" before a new page
        QTest::newRow("levels 1 to 3") << QList<int>{1, 2, 3} << 1 << 4 << "1@0.05 2@0.35 3@0.65";
        QTest::newRow("a fourth starts a page") << QList<int>{1, 2, 3, 4} << 1 << 4 << "1@0.05 2@0.35 3@0.65 +4@0.05";
        QTest::newRow("level 4 alone") << QList<int>{4} << 1 << 4 << "4@0.05";
        QTest::newRow("seven levels") << QList<int>{1, 2, 3, 4, 5, 6, 7} << 1 << 7
                                      << "1@0.05 2@0.35 3@0.65 +4@0.05 5@0.35 6@0.65 +7@0.05";
        QTest::newRow("a line beyond the levels ends the sheet") << QList<int>{3, 4, 5} << 1 << 4 << "3@0.05 4@0.35";
    }

    void blockPlaces()
    {
        QFETCH(QList<int>, lines);
        QFETCH(int, offset);
        QFETCH(int, levelCount);
        QStringList got;
        for (const BlockPlace& p : placeBlocks(std::vector<int>(lines.begin(), lines.end()), offset, levelCount))
            got << QStringLiteral("%1%2@%3").arg(p.newPage ? "+" : "").arg(p.level).arg(p.top, 0, 'f', 2);
        QTEST(got.join(u' '), "expected");
    }

    void studentListFromTheRoster()
    {
        test::TestContext t;
        RunContext& ctx = *t;
        ctx.dataRoot = dir_.path() + QStringLiteral("/");
        ctx.schoolYear = 2026;
        test::writeCp932(ctx.dataRoot + kRosterFileName,
                         QStringLiteral("123,2015,0,0,\"  生徒　五年  \",0,\"\",\"\"\r\n"
                                        "7,2015,0,0,\"やめた子\",1,\"\",\"\"\r\n"
                                        "8,2016,0,0,\"休み中\",2,\"\",\"\"\r\n"
                                        "100,1980,0,0,\"先生\",0,\"\",\"\"\r\n"));
        QStringList lines;
        QString error;
        QVERIFY(graphStudentLines(ctx, &lines, &error));
        QCOMPARE(lines, (QStringList{"小５ /  生徒　五年/123", " /  先生/100"}));
        QCOMPARE(studentOfLine(lines[0]), 123);
        QCOMPARE(studentOfLine(QStringLiteral("no number")), -1);
        // Every line brings the tables up to date, listed or not.
        QCOMPARE(ctx.studentNames[8], QStringLiteral("休み中"));
        QCOMPARE(ctx.studentGradeNames[8], QStringLiteral("小４"));

        QFile::remove(ctx.dataRoot + kRosterFileName);
        QVERIFY(!graphStudentLines(ctx, &lines, &error));
        QVERIFY2(error.contains(kRosterFileName), qPrintable(error));
    }

    void recordDates_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first record point") << "2026/11/24" << "" << "2026/11/24";
        QTest::newRow("same year") << "2026/12/01" << "2026/11/24" << "12/01";
        QTest::newRow("new year") << "2027/01/05" << "2026/12/01" << "2027/01/05";
    }

    void recordDates()
    {
        QFETCH(QString, date);
        QFETCH(QString, previous);
        QTEST(recordDateText(date, previous), "expected");
    }

    // The first run is a record point (red); a run equal to the best so far
    // is not (blue); a faster one is.
    void recordPointsInRedOthersInBlue()
    {
        SheetBlock b;
        b.top = 0.05;
        b.runs.runCount = 3;
        b.runs.runTimeMax = 50;
        b.runs.axisMax = 60;
        b.runs.plotted = {{1, 50, 46000, true}, {2, 50, 46001, false}, {3, 30, 46002, true}};
        QImage page(600, 900, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter p(&page);
        drawLevelBlock(p, QSizeF(page.size()), b, SheetStyle{6, false, 1});
        p.end();
        const double w = 300, h = 300, N = 0.05 * 900;
        auto colourAt = [&](int k, int t) {
            return page.pixelColor(QPoint(int(w * (0.2 + 0.7 * k / 3)), int(N + h * (0.8 - 0.7 * t / 60.0))));
        };
        QCOMPARE(colourAt(1, 50), QColor(255, 0, 0));
        QCOMPARE(colourAt(2, 50), QColor(0, 0, 255));
        QCOMPARE(colourAt(3, 30), QColor(255, 0, 0));
    }

    // A whole page of three blocks on every output the sheet goes to: no
    // text box is crossed by a drawn line, no two text boxes overlap, and
    // every text stays on the page; close runs move or lose their labels.
    void noTextCrossedOrCovered_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<int>>("times");
        QTest::addColumn<int>("perDay");
        QTest::addColumn<QString>("name");
        struct Output {
            const char* name;
            QSize size;
            double ratio;
            double pixel;
            bool printer;
        };
        const QList<int> close = [] {
            QList<int> t;
            for (int i = 0; i < 40; ++i)
                t << 90 - i;
            return t;
        }();
        const QList<int> pairs = [] {
            QList<int> t;
            for (int i = 0; i < 30; ++i)
                t << 70 - i / 2 << 71;
            return t;
        }();
        const struct Fixture {
            const char* name;
            QList<int> times;
            int perDay;
            QString student;
        } fixtures[] = {
            {"no runs", {}, 1, QStringLiteral("髙橋　ひかり")},
            {"one run", {57}, 1, QStringLiteral("髙橋　ひかり")},
            {"forty records a second apart", close, 1, QStringLiteral("髙橋　ひかり")},
            {"forty records in one day", close, 40, QStringLiteral("髙橋　ひかり")},
            {"records among slower runs", pairs, 3, QStringLiteral("髙橋　ひかり")},
            {"a run beyond the axis", {1234, 900, 899, 30, 29}, 1, QStringLiteral("髙橋　ひかり")},
            {"two runs at once", {45, 44}, 2, QStringLiteral("髙橋　ひかり")},
            {"the longest name", {60, 50, 40}, 1, QStringLiteral("寿限無寿限無五劫の擦り切れ海砂利水魚の水")},
        };
        const Output outputs[] = {
            {"1024x768", QSize(800, 752), 1, 1, false},
            {"1024x768 at 2x", QSize(800, 752), 2, 1, false},
            {"1920x1080", QSize(1125, 1057), 1, 1920.0 / 1024 < 1080.0 / 768 ? 1920.0 / 1024 : 1080.0 / 768, false},
            {"paper at 100 dpi", QSize(748, 1090), 1, 100 / 96.0, true},
            {"PDF at 600 dpi", QSize(4488, 6543), 1, 600 / 96.0, true},
        };
        for (const Output& o : outputs)
            for (const Fixture& f : fixtures)
                QTest::addRow("%s, %s", o.name, f.name)
                    << QStringLiteral("%1x%2x%3x%4x%5").arg(o.size.width()).arg(o.size.height()).arg(o.ratio).arg(o.pixel).arg(o.printer)
                    << f.times << f.perDay << f.student;
    }

    void noTextCrossedOrCovered()
    {
        QFETCH(QString, output);
        QFETCH(QList<int>, times);
        QFETCH(int, perDay);
        QFETCH(QString, name);
        const QStringList o = output.split(u'x');
        const QSize size(o[0].toInt(), o[1].toInt());
        const double ratio = o[2].toDouble();
        const SheetStyle style{6, o[4] == QStringLiteral("1"), o[3].toDouble()};
        test::RecordingDevice device(size, ratio, style.printer ? int(std::lround(96 * style.pixel)) : 96);
        QPainter p(&device);
        for (double top : {0.05, 0.35, 0.65}) {
            SheetBlock b;
            b.top = top;
            b.studentName = name;
            b.title = QStringLiteral("素因数分解 その%1").arg(int(top * 10 / 3) + 1);
            b.runs = runsOf(times, perDay);
            ComparisonFigures figures;
            figures.timeRankText = times.isEmpty() ? QStringLiteral("---") : QStringLiteral("3/12");
            figures.pointsRankText = QStringLiteral("5/12");
            figures.pointsOfStudent = 1234;
            figures.schoolPointsSum = 5000;
            figures.schoolPointsCount = 12;
            b.table = comparisonTable(figures, b.runs);
            if (style.printer)
                b.pageHeader = pageHeaderText(QStringLiteral("Korvane塾"), QDate(2026, 12, 10));
            drawLevelBlock(p, QSizeF(size), b, style);
        }
        p.end();

        QVERIFY(!device.texts.empty());
        QVERIFY(!device.lines.empty());
        const QRectF page(QPointF(0, 0), QSizeF(size) * ratio);
        // Half a pixel of slack: a text's pieces in two fonts touch.
        auto inner = [](const QRectF& r) { return r.adjusted(0.5, 0.5, -0.5, -0.5); };
        for (const test::DrawnText& t : device.texts) {
            QVERIFY2(page.contains(t.box), qPrintable(t.text));
            for (const test::DrawnLine& l : device.lines)
                QVERIFY2(!crosses(inner(t.box), l),
                         qPrintable(QStringLiteral("「%1」 at (%2, %3, %4 x %5) is crossed by the line (%6, %7)-(%8, %9)")
                                        .arg(t.text).arg(t.box.x()).arg(t.box.y()).arg(t.box.width()).arg(t.box.height())
                                        .arg(l.line.x1()).arg(l.line.y1()).arg(l.line.x2()).arg(l.line.y2())));
        }
        for (std::size_t i = 0; i < device.texts.size(); ++i)
            for (std::size_t j = i + 1; j < device.texts.size(); ++j)
                QVERIFY2(!inner(device.texts[i].box).intersects(inner(device.texts[j].box)),
                         qPrintable(QStringLiteral("「%1」 covers 「%2」").arg(device.texts[i].text, device.texts[j].text)));

        // What must be there whatever the crowding: the name, the titles,
        // the table's last line and the best time's label.
        auto drawn = [&](const QString& text) {
            return std::any_of(device.texts.begin(), device.texts.end(),
                               [&](const test::DrawnText& t) { return t.text.contains(text); });
        };
        QVERIFY(drawn(name.left(3)));
        QVERIFY(drawn(QStringLiteral("その3")));
        QVERIFY(drawn(QStringLiteral("(塾平均)")));
        if (style.printer)
            QVERIFY(drawn(QStringLiteral("2026/12/10")));
        if (!times.isEmpty()) {
            QVERIFY(drawn(QStringLiteral("0秒")));
            QVERIFY(drawn(QString::number(runsOf(times, perDay).axisMax) + QStringLiteral("秒")));
            const int best = *std::min_element(times.begin(), times.end());
            QVERIFY2(std::count_if(device.texts.begin(), device.texts.end(),
                                   [&](const test::DrawnText& t) { return t.text.startsWith(QString::number(best)); })
                         >= 3,
                     "the best time's label is missing from a block");
        }
    }
};

QTEST_MAIN(TestGraphSheet)
#include "test_graphsheet.moc"
