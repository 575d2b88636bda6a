#include "hub/graphsheet.h"
#include "foundation/fonts.h"
#include "foundation/roster.h"
#include "support/fakes.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

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
};

QTEST_MAIN(TestGraphSheet)
#include "test_graphsheet.moc"
