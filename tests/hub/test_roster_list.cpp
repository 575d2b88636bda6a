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
        QTest::newRow("pre-school, kind 2") << 0 << 2 << true << "2011幼3 ひかり　　　　　   5/  2回*7";
        QTest::newRow("pre-school, kind 3") << -1 << 3 << true << "2011幼2 ひかり　　　　　     12/    4回*7";
        QTest::newRow("beyond school, kind 0") << 13 << 0 << false << "2011大+ ひかり　　　     /     　*7";
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

    // Only half-width spaces are trimmed from the name; a full-width space
    // belongs to it and counts towards the fill.
    void nameTrimmingAndOverlongNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("line");
        QTest::newRow("half-width spaces around") << "  れん   " << "2011小3 れん　　　　   5/     12*7";
        QTest::newRow("full-width space kept") << "　れん" << "2011小3 　れん　　　   5/     12*7";
        QTest::newRow("exactly six") << "ながいなまえ" << "2011小3 ながいなまえ   5/     12*7";
        QTest::newRow("longer than the fill") << "もっとながいなまえ" << "2011小3 もっとながいなまえ   5/     12*7";
    }
    void nameTrimmingAndOverlongNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, line);
        QCOMPARE(rosterRawLine(2011, 3, name, 1, RosterFigures{2, 5, 4, 12}, 7), line);
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

    // The figures each display kind shows, summed over the levels: two runs
    // of 30 seconds today (11 points each at target 60) and one three days
    // ago, on two levels.
    void displayKindsFromTheResultsFile_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("columns");
        QTest::newRow("counts today / so far") << 0 << "  2回/    3回";
        QTest::newRow("points today / so far") << 1 << "  22/     33";
        QTest::newRow("today: points / count") << 2 << "  22/  2回";
        QTest::newRow("so far: points / count") << 3 << "     33/    3回";
    }
    void displayKindsFromTheResultsFile()
    {
        QFETCH(int, kind);
        QFETCH(QString, columns);
        roster(QStringLiteral("1,1996,0,0,\"いちか\",0,,\r\n2,1996,0,0,\"にいな\",0,,\r\n"));
        run(1, 1, 30);
        run(1, 3, 30);
        run(1, 1, 30, 3);
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), kind, QStringLiteral("全学年"), &list));
        QCOMPARE(list.numbers, (QList<int>{2, 1}));
        QCOMPARE(list.lines[2], QStringLiteral("小2 いちか　　　") + columns);
        // A student without runs shows only the blank columns.
        const QString blank[] = {QStringLiteral("     /     　"), QStringLiteral("  　/       "),
                                 QStringLiteral("  　/     "), QStringLiteral("       /     　")};
        QCOMPARE(list.lines[1], QStringLiteral("小2 にいな　　　") + blank[kind]);
    }

    void listedByStatus_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("setting");
        QTest::addColumn<bool>("listed");
        QTest::newRow("0") << 0 << 0 << true;
        QTest::newRow("1") << 1 << 0 << false;
        QTest::newRow("1, status 2 listed") << 1 << 1 << false;
        QTest::newRow("2") << 2 << 0 << false;
        QTest::newRow("2, status 2 listed") << 2 << 1 << true;
        QTest::newRow("3, status 2 listed") << 3 << 1 << false;
    }
    void listedByStatus()
    {
        QFETCH(int, status);
        QFETCH(int, setting);
        QFETCH(bool, listed);
        ctx().rosterStatus2Listed = setting;
        roster(QStringLiteral("1,1996,0,0,\"たろう\",0,,\r\n"
                              "2,1996,0,0,\"じろう\",%1,,\r\n"
                              "3,1996,0,0,\"さぶろう\",0,,\r\n").arg(status));
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), 1, QStringLiteral("全学年"), &list));
        QCOMPARE(list.numbers.contains(2), listed);
        QCOMPARE(ctx().rosterCount, listed ? 3 : 2);
        // The slot of an unlisted line is taken by the next listed one.
        QCOMPARE(ctx().rosterNumbers[2], std::int16_t(listed ? 2 : 3));
        QCOMPARE(ctx().studentNames[2].trimmed(), QStringLiteral("じろう"));
        QCOMPARE(ctx().studentGradeNames[2], QStringLiteral("小２"));
    }

    // One student per grade number from -3 to 13 (number = grade + 10) in
    // school year 2004.
    void gradeChoices_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QList<int>>("numbers");
        QList<int> all;
        for (int g = -3; g <= 13; ++g)
            all << g + 10;
        QTest::newRow("全学年") << "全学年" << all;
        QTest::newRow("中学生全体") << "中学生全体" << QList<int>{17, 18, 19};
        QTest::newRow("小学生全体") << "小学生全体" << QList<int>{11, 12, 13, 14, 15, 16};
        const QStringList single = {"中３", "中２", "中１", "小６", "小５", "小４", "小３", "小２", "小１"};
        for (int i = 0; i < single.size(); ++i)
            QTest::newRow(qPrintable(single[i])) << single[i] << QList<int>{19 - i};
        QTest::newRow("no such choice") << "高１" << QList<int>{};
        QTest::newRow("empty choice") << "" << QList<int>{};
    }
    void gradeChoices()
    {
        QFETCH(QString, choice);
        QFETCH(QList<int>, numbers);
        QString text;
        for (int g = 13; g >= -3; --g)  // oldest first in the file
            text += QStringLiteral("%1,%2,0,0,\"せいと\",0,,\r\n").arg(g + 10).arg(2004 - 6 - g);
        roster(text);
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), 0, choice, &list));
        QCOMPARE(list.numbers, numbers);
        QCOMPARE(list.lines.size(), numbers.size() + 1);
        QCOMPARE(list.lines.first(), QStringLiteral("－－－－－－"));
        QCOMPARE(ctx().rosterCount, 17);  // the choice never changes what is listed
    }

    // The list control compares without regard to case: "ann" comes before
    // "Bob" and so is shown after him.
    void caseDoesNotCountInTheOrder()
    {
        roster(QStringLiteral("1,1996,0,0,\"ann\",0,,\r\n2,1996,0,0,\"Bob\",0,,\r\n3,1996,0,0,\"carl\",0,,\r\n"));
        RosterListing list;
        QVERIFY(buildRosterListing(ctx(), 1, QStringLiteral("全学年"), &list));
        QCOMPARE(list.numbers, (QList<int>{3, 2, 1}));
    }

    void failuresAreRetriedThenReported_data()
    {
        QTest::addColumn<QString>("rosterText");  // empty: no roster file
        QTest::newRow("missing roster") << "";
        QTest::newRow("broken line") << "1,1996,0,0,\"たろう\",0,,\r\n2,せんきゅう,0,0,\"じろう\",0,,\r\n";
    }
    void failuresAreRetriedThenReported()
    {
        QFETCH(QString, rosterText);
        if (!rosterText.isEmpty())
            roster(rosterText);
        RosterListing list;
        list.lines = QStringList{QStringLiteral("－－－－－－"), QStringLiteral("前の行")};
        QVERIFY(!buildRosterListing(ctx(), 1, QStringLiteral("全学年"), &list));
        QCOMPARE(t_->clock.waitsRequested, 6);
        QCOMPARE(t_->clock.totalWaitedMs, 6 * 5000);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QCOMPARE(t_->dialogs.shown[0].title, QStringLiteral("名簿表示"));
        QVERIFY(t_->dialogs.shown[0].text.startsWith(QStringLiteral("名簿表示3")));
        QVERIFY(t_->dialogs.shown[0].text.contains(QStringLiteral("新名簿.txt")));
        QCOMPARE(t_->navigator.endedWith, 1);
        // The list the window shows is left alone.
        QCOMPARE(list.lines.size(), 2);
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
