#include "results/resultsfile.h"
#include "results/statistics.h"
#include "support/fakes.h"

#include <QDir>
#include <cerrno>
#include <climits>
#include <cmath>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {

const QDate kToday(2026, 12, 9);

struct Run {
    int student;
    int level;
    int time;
    int daysAgo = 0;
};

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;

    QString path() const { return dir_.filePath(QStringLiteral("成績累積データ.dat")); }
    RunContext& ctx() { return **t_; }

    void writeRuns(const std::vector<Run>& runs, const QByteArray& tail = {})
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray all;
        for (const Run& run : runs) {
            ResultRecord r;
            r.date = oleDate(kToday.addDays(-run.daysAgo));
            r.timeOfDay = 0.5;
            r.Bangou = std::int16_t(run.student);
            r.level = std::int16_t(run.level);
            r.time = run.time;
            r.points = QStringLiteral("0");
            all += encodeRecord(r);
        }
        f.write(all + tail);
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(path());
        t_ = std::make_unique<test::TestContext>();
        t_->clock.setNow(QDateTime(kToday, QTime(0, 30)));  // just after midnight
        ctx().programDataFolder = dir_.path() + QStringLiteral("/");
        for (int level = 1; level <= 4; ++level) {
            LevelCriteria& c = ctx().criteria[std::size_t(level)];
            c.targetTime = 60;
            c.minimumLineTime = 90;
            c.clearPoints = 30;
            c.clearCount = 3;
            c.pointMultiplier = 1.5f;
            c.banCount = 5;
            c.banPoints = 0;
            c.judgeDays = 7;
            c.banDays = 1;
        }
    }

    void pointsFormula_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("timeValue");
        QTest::addColumn<int>("target");
        QTest::addColumn<float>("multiplier");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("points");
        QTest::newRow("30 s") << 30 << 30 << 60 << 1.5f << 11 << 16;
        QTest::newRow("on the target") << 60 << 60 << 60 << 1.5f << 5 << 7;
        QTest::newRow("no time at all") << 0 << 0 << 60 << 1.0f << 55 << 55;
        QTest::newRow("100 s") << 100 << 100 << 60 << 1.5f << 4 << 6;
        QTest::newRow("300 s") << 300 << 300 << 60 << 1.5f << 1 << 1;
        QTest::newRow("599 s") << 599 << 599 << 60 << 1.0f << 1 << 1;
        QTest::newRow("600 s") << 600 << 600 << 60 << 1.0f << 0 << 0;
        QTest::newRow("700 s") << 700 << 700 << 60 << 1.5f << 0 << 0;
        QTest::newRow("timed out") << 99999 << 999 << 60 << 1.5f << 0 << 0;
        QTest::newRow("timed out on a huge target") << 99998 << 999 << 200000 << 1.0f << 0 << 0;
        QTest::newRow("1234 s counts as 123") << 1234 << 123 << 1500 << 1.0f << 43 << 43;
        QTest::newRow("7 points x 1.5 is 10") << 37 << 37 << 60 << 1.5f << 7 << 10;
        QTest::newRow("10 points x 0.7 is 7 in single precision") << 31 << 31 << 60 << 0.7f << 10 << 7;
        QTest::newRow("no target") << 10 << 10 << 0 << 1.0f << 0 << 0;
        // Multipliers no school would set give a figure, never a wrapped one.
        QTest::newRow("multiplier 1e9 saturates") << 0 << 0 << 60 << 1e9f << 55 << INT_MAX;
        QTest::newRow("negative huge multiplier saturates") << 0 << 0 << 60 << -1e30f << 55 << INT_MIN;
        QTest::newRow("infinite multiplier saturates") << 0 << 0 << 60 << HUGE_VALF << 55 << INT_MAX;
    }
    void pointsFormula()
    {
        QFETCH(int, time);
        QFETCH(int, timeValue);
        QFETCH(int, target);
        QFETCH(float, multiplier);
        QFETCH(int, base);
        QFETCH(int, points);
        const RunPoints p = runPointsFormula(time, timeValue, target, multiplier);
        QCOMPARE(p.base, base);
        QCOMPARE(p.points, points);
    }

    void timeValue_data()
    {
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("value");
        QTest::newRow("57") << 57 << 57;
        QTest::newRow("123") << 123 << 123;
        QTest::newRow("1234") << 1234 << 123;
        QTest::newRow("99999") << 99999 << 999;
        QTest::newRow("0") << 0 << 0;
    }
    void timeValue()
    {
        QFETCH(int, time);
        QFETCH(int, value);
        QCOMPARE(timeValueOf(time), value);
    }

    void countsAndPeriods()
    {
        writeRuns({
            {5, 1, 30, 0}, {5, 1, 60, 0}, {5, 1, 99999, 0},  // today, one timed out
            {5, 1, 30, 6},                                   // inside the 7-day judgement period
            {5, 1, 30, 7},                                   // just outside it
            {5, 2, 6000, 0},                                 // not a counted run
        });
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().loadedRecordCount, 6);
        QCOMPARE(ctx().totalRuns(5, 1), std::int16_t(4));
        QCOMPARE(ctx().judgeRuns(5, 1), std::int16_t(3));
        QCOMPARE(ctx().judgePoints(5, 1), 16 + 7 + 0 + 16);
        QCOMPARE(ctx().banRuns(5, 1), std::int16_t(2));
        QCOMPARE(ctx().banPointsEarned(5, 1), 16 + 7);
        QCOMPARE(ctx().todayRuns(5, 1), 2.0f);
        QCOMPARE(ctx().todayTimeSum(5, 1), float(30 + 60 + 999));
        QCOMPARE(ctx().todayAverageTime(5, 1), float(545));  // 1089 / 2 = 544.5, halves up
        QCOMPARE(ctx().totalPoints(5, 1), 16 + 7 + 16 + 16);
        QCOMPARE(ctx().totalTimeSum(5, 1), 30 + 60 + 999 + 30 + 30);
        QCOMPARE(ctx().averageTime(5, 1), float(287));  // 1149 / 4 = 287.25
        QCOMPARE(ctx().totalRuns(5, 2), std::int16_t(0));
        QCOMPARE(ctx().totalTimeSum(5, 2), 600);
        QCOMPARE(ctx().bestTime(5, 1), 30);
        QCOMPARE(ctx().bestTime(5, 3), kNoTime);
        QCOMPARE(ctx().schoolBestTime[1], 30);
        QVERIFY(levelCleared(ctx(), 5, 1));
        QVERIFY(!levelCleared(ctx(), 5, 2));
    }

    void periodBoundaries_data()
    {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<double>("days");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("within");
        QTest::newRow("1 day: today, just after midnight") << QTime(0, 0, 1) << 1.0 << 0 << true;
        QTest::newRow("1 day: yesterday, just before midnight") << QTime(23, 59, 59) << 1.0 << 1 << false;
        QTest::newRow("7 days: six days ago") << QTime(23, 59) << 7.0 << 6 << true;
        QTest::newRow("7 days: seven days ago") << QTime(0, 1) << 7.0 << 7 << false;
        QTest::newRow("0 days: not even today") << QTime(12, 0) << 0.0 << 0 << false;
    }
    void periodBoundaries()
    {
        QFETCH(QTime, now);
        QFETCH(double, days);
        QFETCH(int, daysAgo);
        QFETCH(bool, within);
        t_->clock.setNow(QDateTime(kToday, now));
        ctx().criteria[1].judgeDays = days;
        ctx().criteria[1].banDays = days;
        writeRuns({{7, 1, 30, daysAgo}});
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().judgeRuns(7, 1) == 1, within);
        QCOMPARE(ctx().banRuns(7, 1) == 1, within);
        QCOMPARE(ctx().todayRuns(7, 1) == 1, daysAgo == 0);
    }

    void judgeDaysZeroNeverClears()
    {
        ctx().criteria[1].judgeDays = 0;
        writeRuns({{7, 1, 10}, {7, 1, 10}, {7, 1, 10}, {7, 1, 10}});
        QVERIFY(computeCounts(ctx()));
        QVERIFY(!levelCleared(ctx(), 7, 1));
    }

    void overPractice_data()
    {
        QTest::addColumn<double>("banCount");
        QTest::addColumn<double>("banPoints");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("barred");
        QTest::newRow("count reached") << 3.0 << 0.0 << 3 << true;
        QTest::newRow("count not reached") << 3.0 << 0.0 << 2 << false;
        QTest::newRow("points reached") << 0.0 << 30.0 << 2 << true;  // 2 x 16
        QTest::newRow("no limits") << 0.0 << 0.0 << 20 << false;
    }
    void overPractice()
    {
        QFETCH(double, banCount);
        QFETCH(double, banPoints);
        QFETCH(int, runs);
        QFETCH(bool, barred);
        ctx().criteria[2].banCount = banCount;
        ctx().criteria[2].banPoints = banPoints;
        writeRuns(std::vector<Run>(std::size_t(runs), Run{8, 2, 30}));
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(overPractised(ctx(), 8, 2), barred);
    }

    void discardAndBestTimeRules()
    {
        std::vector<Run> runs = {{0, 1, 12}, {1200, 1, 5}, {9, 1, 40}, {9, 0, 3}};
        writeRuns(runs);
        // A record dated before 1899 is discarded too, but still lowers the best.
        QFile f(path());
        QVERIFY(f.open(QIODevice::Append));
        ResultRecord old;
        old.date = -3;
        old.Bangou = 9;
        old.level = 1;
        old.time = 35;
        f.write(encodeRecord(old));
        f.close();
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().loadedRecordCount, 2);  // student 1200 and student 9's 40 s
        QCOMPARE(ctx().bestTime(0, 1), 12);     // lowered though not loaded
        QCOMPARE(ctx().bestTime(1200, 1), 5);
        QCOMPARE(ctx().bestTime(9, 1), 35);
        QCOMPARE(ctx().bestTime(9, 0), 3);
        QCOMPARE(ctx().schoolBestTime[1], 35);  // student 1200 is beyond the school best's range
        QCOMPARE(ctx().totalRuns(9, 1), std::int16_t(1));
    }

    void damagedRecordIsSkipped()
    {
        writeRuns({{6000, 1, 1}, {-4, 1, 1}, {3, 40, 1}, {3, -2, 1}, {3, 1, 50}});
        QVERIFY(computeCounts(ctx()));
        QVERIFY(t_->dialogs.shown.empty());
        QCOMPARE(t_->navigator.endedWith, -1);
        QCOMPARE(ctx().loadedRecordCount, 1);
        QCOMPARE(ctx().bestTime(3, 1), 50);
        QCOMPARE(ctx().schoolBestTime[1], 50);
    }

    // Records no run can have written leave every figure as it was: a date
    // that is no number, or no calendar day, and a negative time.
    void damagedNumbersAreSkipped_data()
    {
        QTest::addColumn<double>("date");
        QTest::addColumn<double>("timeOfDay");
        QTest::addColumn<int>("time");
        QTest::newRow("nan date") << std::nan("") << 0.5 << 40;
        QTest::newRow("infinite date") << HUGE_VAL << 0.5 << 40;
        QTest::newRow("date beyond 9999") << 3e6 << 0.5 << 40;
        QTest::newRow("nan time of day") << oleDate(kToday) << std::nan("") << 40;
        QTest::newRow("negative time") << oleDate(kToday) << 0.5 << -5;
    }
    void damagedNumbersAreSkipped()
    {
        QFETCH(double, date);
        QFETCH(double, timeOfDay);
        QFETCH(int, time);
        writeRuns({{3, 1, 50}});
        ResultRecord damaged;
        damaged.date = date;
        damaged.timeOfDay = timeOfDay;
        damaged.Bangou = 3;
        damaged.level = 1;
        damaged.time = time;
        damaged.points = QStringLiteral("0");
        QVERIFY(isDamagedRecord(damaged));
        QFile f(path());
        QVERIFY(f.open(QIODevice::Append));
        f.write(encodeRecord(damaged));
        f.close();
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().loadedRecordCount, 1);
        QCOMPARE(ctx().bestTime(3, 1), 50);
        QCOMPARE(ctx().schoolBestTime[1], 50);
        QCOMPARE(ctx().totalRuns(3, 1), std::int16_t(1));
        QCOMPARE(ctx().judgePoints(3, 1), ctx().totalPoints(3, 1));
        QCOMPARE(ctx().todayRuns(3, 1), 1.0f);
    }

    void newest20000OfA25000RecordFile()
    {
        std::vector<Run> runs;
        for (int i = 1; i <= 25000; ++i)
            runs.push_back({1 + i % 100, 1, i <= 5000 ? 1 : 50});
        writeRuns(runs, QByteArray(20, 'x'));
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().loadedRecordCount, 20000);
        QCOMPARE(ctx().bestTime(1, 1), 50);  // the fast old records are not read
        int total = 0;
        for (int s = 1; s <= 100; ++s)
            total += ctx().totalRuns(s, 1);
        QCOMPARE(total, 20000);
    }

    void recordingFlags()
    {
        ctx().criteria[1].clearPoints = 20;  // 9 + 7 + 7 points in three runs
        writeRuns({{20, 1, 40}, {20, 1, 45}, {20, 1, 50}, {21, 1, 35}});
        QVERIFY(computeCounts(ctx()));
        ctx().currentStudent = 20;
        ctx().selectedLevel = 1;

        // Slower than the student's best: no flag, but cleared before (3 runs, 30+ points).
        ctx().runTime = 41;
        QVERIFY(Seisekikiroku(ctx(), 1));
        QCOMPARE(ctx().newPersonalBest, std::int16_t(0));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(0));
        QCOMPARE(ctx().clearedBefore, std::int16_t(1));

        ctx().runTime = 38;
        QVERIFY(Seisekikiroku(ctx(), 1));
        QCOMPARE(ctx().newPersonalBest, std::int16_t(1));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(0));
        QCOMPARE(ctx().bestTime(20, 1), 38);

        ctx().newPersonalBest = 0;
        ctx().runTime = 30;
        QVERIFY(Seisekikiroku(ctx(), 1));
        QCOMPARE(ctx().newPersonalBest, std::int16_t(1));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(1));
        QCOMPARE(ctx().schoolBestTime[1], 30);

        // A timed-out first run on a level sets no personal best.
        ctx().newPersonalBest = 0;
        ctx().newSchoolBest = 0;
        ctx().selectedLevel = 2;
        ctx().runTime = kNoTime;
        QVERIFY(Seisekikiroku(ctx(), 2));
        QCOMPARE(ctx().newPersonalBest, std::int16_t(0));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(0));
        QCOMPARE(ctx().clearedBefore, std::int16_t(0));

        NewestRecords newest;
        QCOMPARE(readNewestRecords(path(), 100, &newest).status, FileStatus::Ok);
        QCOMPARE(newest.recordCount, 8);
        QCOMPARE(newest.records.back().time, kNoTime);
    }

    void aFirstRunOfAStudentBeyond1000CanSetTheSchoolBest()
    {
        writeRuns({{3, 1, 40}});
        QVERIFY(computeCounts(ctx()));
        ctx().currentStudent = 1200;
        ctx().selectedLevel = 1;
        ctx().runTime = 20;
        QVERIFY(Seisekikiroku(ctx(), 1));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(1));
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(ctx().schoolBestTime[1], 40);  // but a reload leaves students beyond 1000 out
    }

    void missingFolderIsRetriedThenReported()
    {
        ctx().programDataFolder = dir_.path() + QStringLiteral("/ない/");
        QVERIFY(!computeCounts(ctx()));
        // Reported within ten seconds: one try again after five.
        QCOMPARE(t_->clock.waitsRequested, 1);
        QCOMPARE(t_->clock.totalWaitedMs, 5000);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.startsWith(QStringLiteral("ファイルがありません")));
        QCOMPARE(t_->navigator.endedWith, 1);
    }

    void loadFailures_data()
    {
        // errno of each opening in turn (0: the real opening).
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<int>("waits");
        QTest::newRow("a share busy for a moment") << QList<int>{EBUSY, EBUSY, 0} << true << 2;
        QTest::newRow("lock held") << QList<int>{EAGAIN, 0} << true << 1;
        QTest::newRow("permission denied ends the program at once") << QList<int>{EACCES} << false << 0;
        QTest::newRow("other error ends the program") << QList<int>{EIO} << false << 0;
    }
    void loadFailures()
    {
        QFETCH(QList<int>, errors);
        QFETCH(bool, goesOn);
        QFETCH(int, waits);
        writeRuns({{4, 1, 30}});
        int opening = 0;
        setResultsOpenFault([&] { return opening < errors.size() ? errors[opening++] : 0; });
        const bool ok = computeCounts(ctx());
        setResultsOpenFault({});
        QCOMPARE(ok, goesOn);
        QCOMPARE(t_->clock.waitsRequested, waits);
        QCOMPARE(t_->clock.totalWaitedMs, std::int64_t(waits) * 1000);
        if (goesOn) {
            QVERIFY(t_->dialogs.shown.empty());
            QCOMPARE(ctx().totalRuns(4, 1), std::int16_t(1));
        } else {
            QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
            const QString text = t_->dialogs.shown[0].text;
            QVERIFY2(text.startsWith(QStringLiteral("成績ランダムファイル表示4") + QString::number(errors.last())),
                     qPrintable(text));
            QVERIFY2(text.endsWith(QString::number(errors.last())
                                   + QStringLiteral("/date/i=1/time=/name=/Bangou=/level=/time=line4")),
                     qPrintable(text));
            QVERIFY(text.contains(path().section(QLatin1Char('/'), -1)));
            QCOMPARE(t_->navigator.endedWith, 1);
        }
    }

    void aFolderNamedLikeAPlaceholderIsQuotedAsItIs()
    {
        ctx().programDataFolder = dir_.path() + QStringLiteral("/%3%4/");
        QVERIFY(!computeCounts(ctx()));
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY2(t_->dialogs.shown[0].text.contains(QStringLiteral("/%3%4/")), qPrintable(t_->dialogs.shown[0].text));
    }

    void folderAppearingDuringTheRetriesIsRead()
    {
        const QString later = dir_.path() + QStringLiteral("/later/");
        ctx().programDataFolder = later;
        t_->clock.onWait = [&] { QDir().mkpath(later); };
        QVERIFY(computeCounts(ctx()));
        QCOMPARE(t_->clock.waitsRequested, 1);
        QVERIFY(t_->dialogs.shown.empty());
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
