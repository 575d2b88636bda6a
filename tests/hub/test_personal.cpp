#include "hub/personal.h"
#include "foundation/roster.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

// The student's own run lists and the comparison table of the graph sheet.
class TestPersonal : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    RunContext& ctx() { return **t_; }
    QByteArray bytes_;

    // Students 1..4; 1, 2 and 4 in grade 5, 3 in grade 3 (school year 2026).
    void roster()
    {
        test::listStudents(ctx(), {{"あかね", 2015}, {"いつき", 2015}, {"うみ", 2017}, {"ながいなまえのひと", 2015}});
    }
    ResultRecord run(int student, int level, int time, int daysAgo, double timeOfDay = 0.5)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today().addDays(-daysAgo));
        r.timeOfDay = timeOfDay;
        r.Bangou = std::int16_t(student);
        r.level = std::int16_t(level);
        r.time = time;
        return r;
    }
    void add(int student, int level, int time, int daysAgo, double timeOfDay = 0.5)
    {
        bytes_ += encodeRecord(run(student, level, time, daysAgo, timeOfDay));
    }
    void writeFile()
    {
        QFile f(resultsFilePath(ctx()));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes_);
    }
    static double at(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

private Q_SLOTS:
    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().currentStudent = 2;
        ctx().bestTime.fill(kNoTime);
        bytes_.clear();
        roster();
    }

    void personalRunsListTheStudentsOwnRunsOldestFirst()
    {
        add(2, 2, 41, 1, at(17, 30, 0));
        add(1, 2, 33, 0);               // another student
        add(2, 2, 38, 0, at(9, 5, 33));
        add(2, 2, 99999, 0, at(9, 12, 0));  // timed out
        add(2, 2, 35, 0, at(16, 0, 9));
        add(2, 9, 30, 0);               // a level without a column
        add(2, 1, 30, 3651);            // older than ten years
        writeFile();
        const QDate today = t_->clock.today(), yesterday = today.addDays(-1);
        const LevelLists lists = personalRuns(ctx(), QStringLiteral("全学年"));
        QCOMPARE(lists[2], (QStringList{
            yesterday.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" 17:30:00  41秒"),
            today.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" 9:05:33  38秒"),
            today.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" 9:12:00　　× "),
            today.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" 16:00:09  35秒"),
        }));
        QVERIFY(lists[1].isEmpty());
        QVERIFY(lists[9].isEmpty());
        // Another grade in the grade box hides the student's own runs too.
        QCOMPARE(personalRuns(ctx(), QStringLiteral("小３"))[2], QStringList{});
    }

    void levelBlockFigures_data()
    {
        QTest::addColumn<QList<int>>("ownTimes");
        QTest::addColumn<QList<int>>("otherTimes");
        QTest::addColumn<int>("runCount");
        QTest::addColumn<int>("runTimeMax");
        QTest::addColumn<int>("axisMax");
        QTest::addColumn<int>("schoolBest");
        QTest::addColumn<int>("schoolTimeCount");
        QTest::addColumn<QString>("records");  // r red, b blue, per plotted run
        QTest::addColumn<QString>("bestRunText");

        QTest::newRow("slowest 57 s: axis to 60") << QList<int>{57, 50, 50, 44} << QList<int>{} << 4 << 57 << 60 << 44 << 4
                                                  << "rrbr" << "44秒";
        QTest::newRow("slowest 1234 s: axis capped at 1000")
            << QList<int>{1234, 800} << QList<int>{} << 2 << 1234 << 1000 << 800 << 2 << "rr" << "800秒";
        QTest::newRow("1800 s and over: school best only")
            << QList<int>{60, 1800, 99999} << QList<int>{2000} << 1 << 60 << 70 << 60 << 1 << "r" << "60秒";
        QTest::newRow("never ran the level") << QList<int>{} << QList<int>{40, 99999} << 0 << 0 << 10 << 40 << 1 << ""
                                             << "";
        QTest::newRow("nobody ran the level") << QList<int>{} << QList<int>{} << 0 << 0 << 10 << 99999 << 0 << "" << "";
    }

    void levelBlockFigures()
    {
        QFETCH(QList<int>, ownTimes);
        QFETCH(QList<int>, otherTimes);
        std::vector<ResultRecord> runs;
        for (int t : ownTimes) {
            runs.push_back(run(2, 3, t, 1));
            runs.push_back(run(2, 4, 5, 1));  // another level never counts
        }
        for (int t : otherTimes)
            runs.push_back(run(1, 3, t, 1));
        const LevelBlock b = levelBlock(runs, 3, 2, true);
        QTEST(b.runCount, "runCount");
        QTEST(b.runTimeMax, "runTimeMax");
        QTEST(b.axisMax, "axisMax");
        QTEST(b.schoolBestTime, "schoolBest");
        QTEST(b.schoolTimeCount, "schoolTimeCount");
        QString records;
        for (const PlottedRun& p : b.plotted)
            records += p.record ? u'r' : u'b';
        QTEST(records, "records");
        QTEST(b.bestRunText, "bestRunText");
        for (std::size_t i = 0; i < b.plotted.size(); ++i)
            QCOMPARE(b.plotted[i].k, int(i) + 1);
        // A student outside the grade box has no plotted runs but keeps the counts.
        const LevelBlock hidden = levelBlock(runs, 3, 2, false);
        QVERIFY(hidden.plotted.empty());
        QTEST(hidden.runCount, "runCount");
    }

    void comparisonFiguresFollowTheRankings()
    {
        ctx().bestTime(1, 1) = 40;
        ctx().bestTime(2, 1) = 45;
        ctx().bestTime(4, 1) = 45;
        ctx().totalPoints(1, 1) = 30;
        ctx().totalPoints(2, 1) = 12;
        ctx().todayPoints(2, 1) = 12;
        ctx().totalPoints(4, 1) = 0;
        ComparisonFigures f = comparisonFigures(ctx(), 1, 2, PointsMode::Total, QStringLiteral("全学年"));
        QCOMPARE(f.timeRankText, QStringLiteral("2"));
        QCOMPARE(f.pointsRankText, QStringLiteral("2"));
        QCOMPARE(f.pointsOfStudent, 12);
        QCOMPARE(f.schoolPointsSum, 42);  // students without points are not averaged
        QCOMPARE(f.schoolPointsCount, 2);

        // A name longer than five characters changes nothing.
        f = comparisonFigures(ctx(), 1, 4, PointsMode::Total, QStringLiteral("全学年"));
        QCOMPARE(f.timeRankText, QStringLiteral("2"));
        QCOMPARE(f.pointsRankText, QStringLiteral("3"));

        f = comparisonFigures(ctx(), 1, 3, PointsMode::Total, QStringLiteral("全学年"));
        QCOMPARE(f.timeRankText, QStringLiteral("---"));  // no run on the level
        // Today's ranking leaves out students without points today.
        f = comparisonFigures(ctx(), 1, 1, PointsMode::Today, QStringLiteral("全学年"));
        QCOMPARE(f.pointsRankText, QString());
        QCOMPARE(f.pointsOfStudent, 0);
        QCOMPARE(f.schoolPointsCount, 1);
        // Filtered out by the grade box: no entry at all.
        f = comparisonFigures(ctx(), 1, 2, PointsMode::Total, QStringLiteral("小３"));
        QCOMPARE(f.timeRankText, QString());
        QCOMPARE(f.pointsRankText, QString());
    }

    void comparisonTableLines_data()
    {
        QTest::addColumn<bool>("withRuns");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("with runs") << true << QStringList{
            "回数　　　　　　　  3回",
            "タイム  　　 　    本人 / 塾全体",
            "　　順位　　　　    2位",
            "　　最高　　　　   44秒 /   40秒",
            "　　平均　　　　   50秒 /   48秒",  // 151 / 3 cut to 50; 191 / 4 rounded to 48
            "ポイント  　　　",
            "　　順位　　　　    2位",
            "　　獲得ポイント   12点",
            "　　　　　　　　　　　　/   21点",
            "　　　　　　　　　　　　 (塾平均)",
        };
        QTest::newRow("without runs or points") << false << QStringList{
            "回数　　　　　　　   回",
            "タイム  　　 　    本人 / 塾全体",
            "　　順位　　　　  ---位",
            "　　最高　　　　       /99999秒",
            "ポイント  　　　",
            "　　順位　　　　     位",
            "　　獲得ポイント     点",
            "　　　　　　　　　　　　 (塾平均)",
        };
    }

    void comparisonTableLines()
    {
        QFETCH(bool, withRuns);
        ComparisonFigures f;
        LevelBlock b;
        if (withRuns) {
            f = {QStringLiteral("2"), QStringLiteral("2"), 12, 42, 2};
            std::vector<ResultRecord> runs = {run(2, 1, 57, 2), run(2, 1, 44, 1), run(2, 1, 50, 0), run(1, 1, 40, 0)};
            b = levelBlock(runs, 1, 2, true);
        } else {
            f.timeRankText = QStringLiteral("---");
        }
        QTEST(comparisonTable(f, b), "lines");
    }
};

QTEST_MAIN(TestPersonal)
#include "test_personal.moc"
