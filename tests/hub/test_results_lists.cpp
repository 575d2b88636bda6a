#include "hub/results_lists.h"
#include "foundation/catalogue.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestResultsLists : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    RunContext& ctx() { return **t_; }

    // Students 1..5 in roster order; grades 5, 5, 3, 5, 5 in school year 2026.
    void roster()
    {
        test::listStudents(ctx(), {{"あかね", 2015}, {"いつき", 2015}, {"うみ", 2017}, {"えいた", 2015}, {"おと", 2015}});
    }

    void record(QByteArray& bytes, int student, int level, int time, int daysAgo, double timeOfDay = 0.5)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today().addDays(-daysAgo));
        r.timeOfDay = timeOfDay;
        r.Bangou = std::int16_t(student);
        r.level = std::int16_t(level);
        r.time = time;
        bytes += encodeRecord(r);
    }
    void writeFile(const QByteArray& bytes)
    {
        QFile f(resultsFilePath(ctx()));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private Q_SLOTS:
    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().currentStudent = 2;
        ctx().bestTime.fill(kNoTime);
        for (int level = 1; level <= 35; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1.5f, 0, 0, 7, 1, {}, {}, {}};
        roster();
    }

    void bestTimes()
    {
        ctx().bestTime(1, 1) = 50;
        ctx().bestTime(2, 1) = 45;
        ctx().bestTime(4, 1) = 45;
        ctx().bestTime(5, 1) = 40;
        QCOMPARE(bestTimeRanking(ctx(), 1, QStringLiteral("全学年")), (QStringList{
            "1⑤おと　　　    40 　",
            "2●いつき　　    45 ●",
            "2⑤えいた　　    45 　",
            "4⑤あかね　　    50 　",
            "--③うみ　　　------ 　",
        }));
        // The grade filter keeps the rank numbers of the whole roster.
        QCOMPARE(bestTimeRanking(ctx(), 1, QStringLiteral("小３")), QStringList{"--③うみ　　　------ 　"});
        ctx().bestTime(3, 1) = 99998;
        QCOMPARE(bestTimeRanking(ctx(), 1, QStringLiteral("小３")), QStringList{"5③うみ　　　*失敗* 　"});
    }

    void points()
    {
        ctx().totalPoints(1, 2) = 30;
        ctx().todayPoints(1, 2) = 0;
        ctx().totalPoints(2, 2) = 30;
        ctx().todayPoints(2, 2) = 12;
        ctx().totalPoints(3, 2) = 120;
        ctx().todayPoints(3, 2) = 5;
        QCOMPARE(pointsRanking(ctx(), 2, PointsMode::Total, QStringLiteral("全学年")), (QStringList{
            "1③うみ　　　  5/  120",
            "2●いつき　　 12/   30",
            "2⑤あかね　　  0/   30",
            "4⑤えいた　　  0/    0",
            "4⑤おと　　　  0/    0",
        }));
        // Today: students without points today are hidden, positions still count.
        QCOMPARE(pointsRanking(ctx(), 2, PointsMode::Today, QStringLiteral("全学年")), (QStringList{
            "1●いつき　　 12/   30",
            "2③うみ　　　  5/  120",
        }));
    }

    void todaysRunsLookAtTheNewest1000()
    {
        QByteArray bytes;
        record(bytes, 1, 1, 30, 0, 9.0 / 24 + 5.0 / 1440);  // among the oldest 500: not shown
        for (int i = 0; i < 499; ++i)
            record(bytes, 1, 1, 30, 1);
        for (int i = 0; i < 998; ++i)
            record(bytes, 1, 1, 30, 2);
        record(bytes, 2, 1, 99999, 0, 10.5 / 24);
        record(bytes, 3, 2, 30, 0, 9.0 / 24 + 5.0 / 1440);
        writeFile(bytes);
        const LevelLists lists = todaysRuns(ctx(), QStringLiteral("全学年"));
        QCOMPARE(lists[1], QStringList{"　　× 10:30●いつき　　●"});
        QCOMPARE(lists[2], QStringList{"  30秒 09:05③うみ　　　③11"});  // base points, no multiplier
        QVERIFY(todaysRuns(ctx(), QStringLiteral("小５"))[2].isEmpty());
    }

    void lookBack_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("days");
        QTest::newRow("this week on a Monday") << QDate(2026, 12, 7) << 1 << 1;
        QTest::newRow("this week on a Wednesday") << QDate(2026, 12, 9) << 1 << 3;
        QTest::newRow("this week on a Sunday") << QDate(2026, 12, 13) << 1 << 7;
        QTest::newRow("since last week on a Monday") << QDate(2026, 12, 7) << 2 << 8;
        QTest::newRow("since last week on a Sunday") << QDate(2026, 12, 13) << 2 << 14;
        QTest::newRow("a month") << QDate(2026, 12, 9) << 3 << 30;
        QTest::newRow("a year") << QDate(2026, 12, 9) << 4 << 365;
        QTest::newRow("all") << QDate(2026, 12, 9) << 5 << 3650;
    }
    void lookBack()
    {
        QFETCH(QDate, today);
        QFETCH(int, period);
        QFETCH(int, days);
        QCOMPARE(lookBackDays(period, today), days);
    }

    void periodLines()
    {
        t_->clock.setNow(QDateTime(QDate(2026, 12, 13), QTime(12, 0)));  // a Sunday
        QByteArray bytes;
        record(bytes, 1, 1, 30, 6);   // Monday: this week
        record(bytes, 1, 1, 45, 7);   // the Sunday before: not this week
        record(bytes, 2, 1, 99999, 0);
        record(bytes, 1, 9, 30, 0);   // no level column
        writeFile(bytes);
        ctx().levelCount = 4;
        const LevelLists time = periodRuns(ctx(), 1, 1, QStringLiteral("全学年"));
        QCOMPARE(time[1], (QStringList{"  30秒 12/07⑤あかね　　⑤11", "　　× 12/13●いつき　　●"}));
        QVERIFY(time[9].isEmpty());
        const LevelLists points = periodRuns(ctx(), 2, 2, QStringLiteral("全学年"));
        QCOMPARE(points[1].first(), QStringLiteral("   11 12/07⑤あかね　　⑤30秒"));
        QCOMPARE(points[1].size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestResultsLists)
#include "test_results_lists.moc"
