#include "hub/roster_list.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestRosterList : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    RunContext& ctx() { return **t_; }

    void roster(const QString& text) { test::writeCp932(dir_.filePath(QStringLiteral("新名簿.txt")), text); }
    void run(int student, int level, int time, int daysAgo = 0)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today().addDays(-daysAgo));
        r.Bangou = std::int16_t(student);
        r.level = std::int16_t(level);
        r.time = time;
        QCOMPARE(appendRecord(ctx().programDataFolder + kResultsFileName, r).status, FileStatus::Ok);
    }

private Q_SLOTS:
    void init()
    {
        QFile::remove(dir_.filePath(QStringLiteral("新名簿.txt")));
        QFile::remove(dir_.filePath(kResultsFileName));
        t_ = std::make_unique<test::TestContext>();
        t_->clock.setNow(QDateTime(QDate(2004, 10, 1), QTime(15, 0)));  // school year 2004
        ctx().dataRoot = dir_.path() + QStringLiteral("/");
        ctx().programDataFolder = ctx().dataRoot;
        ctx().schoolYearStartMonth = 4;
        for (int level = 1; level <= 4; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1, 0, 0, 7, 1, {}, {}, {}};
    }

    void columns_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("todayCount");
        QTest::addColumn<QString>("todayPoints");
        QTest::addColumn<QString>("totalCount");
        QTest::addColumn<QString>("totalPoints");
        QTest::newRow("zero") << 0 << "     " << "  　" << "     　" << "       ";
        QTest::newRow("5") << 5 << "  5回" << "   5" << "    5回" << "      5";
        QTest::newRow("12") << 12 << " 12回" << "  12" << "   12回" << "     12";
        QTest::newRow("1234") << 1234 << "234回" << "1234" << " 1234回" << "   1234";
        QTest::newRow("123456") << 123456 << "456回" << "3456" << "23456回" << " 123456";
    }
    void columns()
    {
        QFETCH(int, value);
        QFETCH(QString, todayCount);
        QFETCH(QString, todayPoints);
        QFETCH(QString, totalCount);
        QFETCH(QString, totalPoints);
        QCOMPARE(todayCountColumn(value), todayCount);
        QCOMPARE(todayPointsColumn(value), todayPoints);
        QCOMPARE(totalCountColumn(value), totalCount);
        QCOMPARE(totalPointsColumn(value), totalPoints);
    }

    void rawLines_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<QString>("line");
        QTest::newRow("kind 0, no runs") << 3 << 0 << false << "2011小3 ひかり　　　     /     　*7";
        QTest::newRow("kind 1") << 3 << 1 << true << "2011小3 ひかり　　　   5/     12*7";
        QTest::newRow("kind 2") << 3 << 2 << true << "2011小3 ひかり　　　   5/  2回*7";
        QTest::newRow("kind 3") << 3 << 3 << true << "2011小3 ひかり　　　     12/    4回*7";
        QTest::newRow("pre-school, kind 0") << 0 << 0 << false << "2011幼3 ひかり　　　　　     /     　*7";
        QTest::newRow("pre-school, kind 1") << 0 << 1 << true << "2011幼3 ひかり　　　   5/     12*7";
    }
    void rawLines()
    {
        QFETCH(int, grade);
        QFETCH(int, kind);
        QFETCH(bool, runs);
        QFETCH(QString, line);
        const RosterFigures f = runs ? RosterFigures{2, 5, 4, 12} : RosterFigures{};
        QCOMPARE(rosterRawLine(2011, grade, QStringLiteral(" ひかり "), kind, f, 7), line);
        QCOMPARE(displayedLine(line), line.mid(4, line.indexOf(u'*') - 4));
    }

    void orderAndFilter()
    {
        roster(QStringLiteral(
            "1,1996,0,0,\"たろう\",0,,\r\n"
            "2,1998,0,0,\"あきら\",0,,\r\n"
            "3,1997,0,0,\"いちか\",0,,\r\n"
            "4,1997,0,0,\"うた\",0,,\r\n"
            "5,1997,0,0,\"えま\",1,,\r\n"    // not listed
            "6,1990,0,0,\"先生\",0,,\r\n"));
        run(3, 1, 30);
        run(3, 1, 30, 3);
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), 0, QStringLiteral("全学年"), &list));
        QCOMPARE(list.lines.first(), QStringLiteral("－－－－－－"));
        QCOMPARE(list.numbers, (QList<int>{2, 4, 3, 1, 6}));  // youngest first; same year: names descending
        QCOMPARE(list.lines[1].left(6), QStringLiteral("幼3 あきら"));
        QCOMPARE(list.lines[3], QStringLiteral("小1 いちか　　　  1回/    2回"));
        QCOMPARE(list.keyed[2], list.lines[3] + QStringLiteral("*3"));
        QCOMPARE(ctx().rosterCount, 5);
        QCOMPARE(ctx().studentNames[5].trimmed(), QStringLiteral("えま"));

        QVERIFY(buildRosterListing(ctx(), 0, QStringLiteral("小１"), &list));
        QCOMPARE(list.numbers, (QList<int>{4, 3}));
        QCOMPARE(list.lines.size(), 3);
        QVERIFY(buildRosterListing(ctx(), 0, QStringLiteral("中２"), &list));
        QCOMPARE(list.numbers, QList<int>{6});
    }

    void missingRosterIsRetriedThenReported()
    {
        RosterListing list;
        QVERIFY(!buildRosterListing(ctx(), 1, QStringLiteral("全学年"), &list));
        QCOMPARE(t_->clock.waitsRequested, 6);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.startsWith(QStringLiteral("名簿表示3")));
        QVERIFY(t_->dialogs.shown[0].text.contains(QStringLiteral("新名簿.txt")));
        QCOMPARE(t_->navigator.endedWith, 1);
    }

    void rosterAppearingDuringTheWaitIsRead()
    {
        t_->clock.onWait = [&] { roster(QStringLiteral("1,1996,0,0,たろう,0,,\r\n")); };
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), 1, QStringLiteral("全学年"), &list));
        QCOMPARE(list.numbers, QList<int>{1});
        QVERIFY(t_->dialogs.shown.empty());
    }
};

QTEST_GUILESS_MAIN(TestRosterList)
#include "test_roster_list.moc"
