#include "foundation/roster.h"
#include "support/fakes.h"

#include <QTest>

using namespace soinsuu;

class TestRoster : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void schoolYearAndGrade_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("birthYear");
        QTest::addColumn<int>("grade");
        QTest::newRow("April 2004 first grade") << QDate(2004, 4, 1) << 1997 << 1;
        QTest::newRow("March 2005 still first grade") << QDate(2005, 3, 31) << 1997 << 1;
        QTest::newRow("April 2005 second grade") << QDate(2005, 4, 1) << 1997 << 2;
        QTest::newRow("January counts to the previous school year") << QDate(2005, 1, 10) << 1990 << 8;
    }
    void schoolYearAndGrade()
    {
        QFETCH(QDate, today);
        QFETCH(int, birthYear);
        QFETCH(int, grade);
        QCOMPARE(gradeNumberOf(computeSchoolYear(today, 4), birthYear), grade);
    }

    void tagsAndNames_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("name");
        QTest::newRow("-5") << -5 << "幼-" << "";
        QTest::newRow("-3") << -3 << "幼-" << "";
        QTest::newRow("-2") << -2 << "幼1" << "";
        QTest::newRow("0") << 0 << "幼3" << "幼３";
        QTest::newRow("1") << 1 << "小1" << "小１";
        QTest::newRow("6") << 6 << "小6" << "小６";
        QTest::newRow("8") << 8 << "中2" << "中２";
        QTest::newRow("10") << 10 << "高1" << "高１";
        QTest::newRow("11") << 11 << "高2" << "";
        QTest::newRow("12") << 12 << "高3" << "";
        QTest::newRow("13") << 13 << "大+" << "";
    }
    void tagsAndNames()
    {
        QFETCH(int, grade);
        QFETCH(QString, tag);
        QFETCH(QString, name);
        QCOMPARE(gradeTagOf(grade), tag);
        QCOMPARE(gradeNameOf(grade), name);
    }

    void filter_data()
    {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QStringList>("passes");
        QTest::newRow("grade 8") << 8 << QStringList{"全学年", "中学生全体", "中２"};
        QTest::newRow("grade 1") << 1 << QStringList{"全学年", "小学生全体", "小１"};
        QTest::newRow("grade 6") << 6 << QStringList{"全学年", "小学生全体", "小６"};
        QTest::newRow("grade 11 (senior high)") << 11 << QStringList{"全学年"};
        QTest::newRow("grade 0 (pre-school)") << 0 << QStringList{"全学年"};
    }
    void filter()
    {
        QFETCH(int, grade);
        QFETCH(QStringList, passes);
        QCOMPARE(gradeFilterChoices().size(), 12);
        for (const QString& choice : gradeFilterChoices())
            QVERIFY2(passesGradeFilter(choice, grade) == passes.contains(choice), qPrintable(choice));
        QVERIFY(!passesGradeFilter(QStringLiteral("高１"), 10));
    }

    void readerTakesEightFields()
    {
        RosterReader r(QStringLiteral(
            "12,2015,0,0,\"髙橋　一郎\",0,\"メモ\",\r\n"
            "13,2016,0,0,ABCDEFGHIJKLMNOPQRSTUVWXY,1,,\r\n"));
        RosterLine line;
        QVERIFY(r.readRosterLine(line));
        QCOMPARE(line.studentNumber, 12);
        QCOMPARE(line.birthYear, 2015);
        QCOMPARE(line.studentName, QStringLiteral("髙橋　一郎               "));
        QCOMPARE(line.studentName.size(), 20);
        QCOMPARE(line.listStatus, 0);
        QCOMPARE(line.rosterText7, QStringLiteral("メモ"));
        QVERIFY(r.readRosterLine(line));
        QCOMPARE(line.studentName, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));  // 25 characters cut to 20
        QCOMPARE(line.listStatus, 1);
        QVERIFY(r.atEnd());
    }

    void readerRejectsATextStudentNumber()
    {
        RosterReader r(QStringLiteral("abc,2015,0,0,name,0,,\r\n"));
        RosterLine line;
        QString error;
        QVERIFY(!r.readRosterLine(line, &error));
        QVERIFY(error.contains(QStringLiteral("番号")));
    }

    void listing_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("status2Listed");
        QTest::addColumn<bool>("listed");
        QTest::newRow("0") << 0 << 0 << true;
        QTest::newRow("1") << 1 << 1 << false;
        QTest::newRow("2 without the setting") << 2 << 0 << false;
        QTest::newRow("2 with the setting") << 2 << 1 << true;
        QTest::newRow("3") << 3 << 1 << false;
    }
    void listing()
    {
        QFETCH(int, status);
        QFETCH(int, status2Listed);
        QFETCH(bool, listed);
        QCOMPARE(isListed(status, status2Listed), listed);
    }

    void tables()
    {
        test::TestContext t;
        t.clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        t->schoolYearStartMonth = 4;
        t->rosterStatus2Listed = 0;
        t->studentGradeNames[14] = QStringLiteral("old");
        const QString text = QStringLiteral(
            "12,2015,0,0,髙橋,0,,\r\n"      // grade 5, listed
            "13,2016,0,0,佐藤,1,,\r\n"      // status 1: tables only
            "14,2000,0,0,鈴木,2,,\r\n"      // grade 20: no grade name, status 2 unlisted
            "6000,2015,0,0,範囲外,0,,\r\n"  // number outside the tables: skipped
            "-1,2015,0,0,範囲外,0,,\r\n"
            "1,1980,0,0,先生,0,,\r\n");
        QString error;
        QVERIFY2(fillRosterTables(*t, text, &error), qPrintable(error));
        QCOMPARE(t->schoolYear, 2026);
        QCOMPARE(t->rosterCount, 2);
        QCOMPARE(t->rosterNumbers[1], std::int16_t(12));
        QCOMPARE(t->rosterNumbers[2], std::int16_t(1));
        QCOMPARE(t->studentNames[13].trimmed(), QStringLiteral("佐藤"));
        QCOMPARE(t->studentGradeNames[12], QStringLiteral("小５"));
        QCOMPARE(t->studentGradeNames[14], QStringLiteral("old"));  // left unchanged
        QCOMPARE(t->studentBirthYears[14], std::int16_t(2000));

        t->rosterStatus2Listed = 1;
        QVERIFY(fillRosterTables(*t, text, &error));
        QCOMPARE(t->rosterCount, 3);
        QCOMPARE(t->rosterNumbers[2], std::int16_t(14));
    }
};

QTEST_GUILESS_MAIN(TestRoster)
#include "test_roster.moc"
