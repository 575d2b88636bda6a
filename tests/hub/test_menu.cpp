#include "hub/menu_columns.h"
#include "hub/seisekitime1.h"
#include "foundation/catalogue.h"
#include "foundation/roster.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

Q_DECLARE_METATYPE(QList<bool>)

class TestMenu : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    RunContext& ctx() { return **t_; }

    void run(int level, int time, int daysAgo = 0)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today().addDays(-daysAgo));
        r.Bangou = 12;
        r.level = std::int16_t(level);
        r.time = time;
        QCOMPARE(appendRecord(resultsFilePath(ctx()), r).status, FileStatus::Ok);
    }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().currentStudent = 12;
        ctx().studentName = padName(QStringLiteral("髙橋　ひかり"));
        ctx().gradeLabel = QStringLiteral("小５");
        ctx().schoolName = QStringLiteral("Korvane塾");
        ctx().seasonColour = QColor(192, 255, 192);
        ctx().nameConfirmTime = 10 * 3600 - 125;
        for (int level = 1; level <= 35; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 3, 1.5f, 0, 0, 7, 1, {}, {}, {}};
    }

    void columnTexts()
    {
        LevelCriteria c{60, 90, 100, 5, 1.5f, 0, 0, 7, 1, {}, {}, {}};
        QCOMPARE(targetLine(c), QStringLiteral("目標=60秒 5回/100点(×1.5)"));
        c.pointMultiplier = 1;
        QCOMPARE(targetLine(c), QStringLiteral("目標=60秒 5回/100点(×1)"));
        c.clearPoints = 9999;
        QCOMPARE(targetLine(c), QStringLiteral("目標=60秒 --------"));
        QCOMPARE(judgementLine(c, 3, 120), QStringLiteral("最近7日=3回 / 120点"));
        QCOMPARE(todayLine(3, 45), QStringLiteral("3回/45点"));
        QCOMPARE(todayLine(0, 0), QStringLiteral("-----"));
        QCOMPARE(allTimeLine(0, 0), QStringLiteral("------"));
        QCOMPARE(allTimeLine(12, 300), QStringLiteral("12回/300点"));
        QCOMPARE(workingTimeText(ctx()), QStringLiteral("起動後2分"));
        ctx().nameConfirmTime = 10 * 3600;
        QCOMPARE(workingTimeText(ctx()), QStringLiteral("起動後0分"));
        t_->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 59, 59, 600)));  // confirmed a moment ago, rounded up
        QCOMPARE(workingTimeText(ctx()), QStringLiteral("起動後0分"));
        t_->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        ctx().nameConfirmTime = 86400 - 60;  // confirmed at 23:59, now 10:00
        QCOMPARE(workingTimeText(ctx()), QStringLiteral("起動後601分"));
    }

    void access_data()
    {
        QTest::addColumn<int>("banLevel");        // level with a ban count of 3, reached
        QTest::addColumn<bool>("topCleared");
        QTest::addColumn<bool>("emptyLimits");
        QTest::addColumn<QList<bool>>("enabled");  // levels 1..4
        QTest::addColumn<int>("barred");           // 0: none
        QTest::newRow("level 2 barred") << 2 << false << false << QList<bool>{true, false, true, true} << 2;
        QTest::newRow("last level never barred") << 4 << false << false << QList<bool>{true, true, true, true} << 0;
        QTest::newRow("none once the goal is cleared") << 2 << true << false << QList<bool>{true, true, true, true} << 0;
        QTest::newRow("empty limits never bar") << 2 << false << true << QList<bool>{true, true, true, true} << 0;
    }
    void access()
    {
        QFETCH(int, banLevel);
        QFETCH(bool, topCleared);
        QFETCH(bool, emptyLimits);
        QFETCH(QList<bool>, enabled);
        QFETCH(int, barred);
        ctx().criteria[std::size_t(banLevel)].banCount = emptyLimits ? 0 : 3;
        for (int i = 0; i < 3; ++i)
            run(banLevel, 50);
        if (topCleared && banLevel != 4)
            for (int i = 0; i < 3; ++i)
                run(4, 10);
        seisekitime1 menu(ctx());
        menu.show();
        QVERIFY(menu.menuReady());
        QCOMPARE(ctx().topLevelCleared, std::int16_t(topCleared ? 1 : 0));
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(menu.findChild<QPushButton*>(QStringLiteral("Command4_%1").arg(i))->isEnabled(), enabled[i - 1]);
            auto* box = menu.findChild<QLabel*>(QStringLiteral("Text1_%1").arg(i));
            QCOMPARE(box->isVisible(), i == barred);
            if (i == barred)
                QCOMPARE(box->text(), QStringLiteral("やりすぎ禁止"));
        }
        if (barred) {
            QTest::keyClick(&menu, char('0' + barred));
            QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showDrillWindow")));
        }
    }

    // With the levels not all open, a level opens the next one once cleared
    // (or when the next one is free), and only a passed level can be barred.
    void accessStepByStep_data()
    {
        QTest::addColumn<QList<int>>("cleared");
        QTest::addColumn<int>("freeLevel");      // clearPoints 9999; 0: none
        QTest::addColumn<int>("pointsBanLevel"); // banPoints reached; 0: none
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<bool>>("enabled"); // levels 1..4
        QTest::addColumn<int>("barred");
        QTest::newRow("nothing cleared") << QList<int>{} << 0 << 0 << "髙橋" << QList<bool>{true, false, false, false} << 0;
        QTest::newRow("level 1 cleared") << QList<int>{1} << 0 << 0 << "髙橋" << QList<bool>{true, true, false, false} << 0;
        QTest::newRow("levels 1 and 2 cleared") << QList<int>{1, 2} << 0 << 0 << "髙橋" << QList<bool>{true, true, true, false} << 0;
        QTest::newRow("level 2 free") << QList<int>{} << 2 << 0 << "髙橋" << QList<bool>{true, true, false, false} << 0;
        QTest::newRow("teacher passes every level") << QList<int>{} << 0 << 0 << "先生" << QList<bool>{true, true, true, true} << 0;
        QTest::newRow("points limit bars a passed level") << QList<int>{1} << 0 << 1 << "髙橋" << QList<bool>{false, true, false, false} << 1;
        QTest::newRow("a level not passed is not barred") << QList<int>{} << 0 << 1 << "髙橋" << QList<bool>{true, false, false, false} << 0;
    }
    void accessStepByStep()
    {
        QFETCH(QList<int>, cleared);
        QFETCH(int, freeLevel);
        QFETCH(int, pointsBanLevel);
        QFETCH(QString, name);
        QFETCH(QList<bool>, enabled);
        QFETCH(int, barred);
        ctx().allLevelsOpen = 0;
        ctx().studentName = padName(name);
        const int s = ctx().currentStudent;
        for (int level : cleared) {
            ctx().judgeRuns(s, level) = 3;
            ctx().judgePoints(s, level) = 90;
        }
        if (freeLevel)
            ctx().criteria[std::size_t(freeLevel)].clearPoints = 9999;
        if (pointsBanLevel) {
            ctx().criteria[std::size_t(pointsBanLevel)].banPoints = 50;
            ctx().banPointsEarned(s, pointsBanLevel) = 50;
        }
        const LevelAccess access = levelAccess(ctx());
        QVERIFY(!access.topLevelCleared);
        for (int i = 1; i <= 4; ++i) {
            QCOMPARE(access.enabled[std::size_t(i)], enabled[i - 1]);
            QCOMPARE(access.barred[std::size_t(i)], i == barred);
        }
    }

    void keysAndTexts()
    {
        run(1, 30);
        run(1, 30, 2);
        seisekitime1 menu(ctx());
        menu.show();
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label11"))->text(), QStringLiteral("素因数分解"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label12"))->text(), QStringLiteral("髙橋　ひかり 小５"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label13"))->text(), QStringLiteral("12:Korvane塾"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label18"))->text(), QStringLiteral("本日総回数＝1回"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label14_1"))->text(), QStringLiteral("1回/16点"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label15_1"))->text(), QStringLiteral("2回/32点"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label8_1"))->text(), QStringLiteral("最近7日=2回 / 32点"));
        QCOMPARE(menu.findChild<QLabel*>(QStringLiteral("Label14_2"))->text(), QStringLiteral("-----"));
        QCOMPARE(menu.findChild<QPushButton*>(QStringLiteral("Command4_3"))->text(), QStringLiteral("ｽﾀｰﾄ(&3)"));
        QVERIFY(!menu.findChild<QPushButton*>(QStringLiteral("Command8"))->isVisible());
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeNameSelection")));

        QTest::keyClick(&menu, '5');
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showDrillWindow")));
        QTest::keyClick(&menu, 'A');
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showDrillWindow")));
        // "0" only while the back button is enabled.
        menu.findChild<QPushButton*>(QStringLiteral("Command1"))->setEnabled(false);
        QTest::keyClick(&menu, '0');
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showNameSelection")));
        menu.findChild<QPushButton*>(QStringLiteral("Command1"))->setEnabled(true);
        QTest::keyClick(&menu, '0');
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showNameSelection")));
        QTest::keyClick(&menu, '3');
        QCOMPARE(ctx().selectedLevel, std::int16_t(3));
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showDrillWindow")));
        QVERIFY(!menu.menuReady());
        t_->navigator.calls.clear();
        QTest::keyClick(&menu, '1');  // keys wait while a run is starting
        QVERIFY(t_->navigator.calls.isEmpty());
    }

    void startByLevelName()
    {
        seisekitime1 menu(ctx());
        menu.show();
        QTest::mouseClick(menu.findChild<QLabel*>(QStringLiteral("Label3_2")), Qt::LeftButton);
        QCOMPARE(ctx().selectedLevel, std::int16_t(2));
        QCOMPARE(t_->navigator.calls.mid(t_->navigator.calls.size() - 2), (QStringList{"showDrillWindow", "closeStudentMenu"}));
    }

    // Starting a run lets pending events through before the drill window
    // opens: a click or key queued behind the first start must not start a
    // second run or go back.
    void oneStartAtATime_data()
    {
        QTest::addColumn<bool>("firstByName");
        QTest::addColumn<QString>("queued");  // "name" (level 3's name), or a key
        QTest::newRow("button, then a name") << false << "name";
        QTest::newRow("button, then a key") << false << "3";
        QTest::newRow("name, then a name") << true << "name";
        QTest::newRow("name, then a key") << true << "3";
        QTest::newRow("name, then back") << true << "0";
    }
    void oneStartAtATime()
    {
        QFETCH(bool, firstByName);
        QFETCH(QString, queued);
        seisekitime1 menu(ctx());
        menu.show();
        QVERIFY(menu.menuReady());
        if (queued == QStringLiteral("name")) {
            QWidget* name = menu.findChild<QLabel*>(QStringLiteral("Label3_3"));
            const QPointF at(5, 5);
            QCoreApplication::postEvent(name, new QMouseEvent(QEvent::MouseButtonRelease, at, name->mapToGlobal(at),
                                                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        } else {
            const int key = queued == QStringLiteral("0") ? Qt::Key_0 : Qt::Key_3;
            QCoreApplication::postEvent(&menu, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, queued));
        }
        if (firstByName)
            QTest::mouseClick(menu.findChild<QLabel*>(QStringLiteral("Label3_1")), Qt::LeftButton);
        else
            QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command4_1")), Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(t_->navigator.calls.count(QStringLiteral("showDrillWindow")), 1);
        QCOMPARE(ctx().selectedLevel, std::int16_t(1));
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showNameSelection")));
        QVERIFY(!menu.menuReady());
    }

    // Who is a teacher, who may print sheets, and what the header shows:
    // the roster pads names with half-width spaces, which never count; an
    // ideographic space is part of the name.
    void teacherRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("teacher");
        QTest::addColumn<bool>("mayPrint");
        QTest::addColumn<QString>("header");
        QTest::newRow("先生") << "先生" << true << true << "先生 小５";
        QTest::newRow("padded as the roster pads") << "  先生    " << true << true << "先生 小５";
        QTest::newRow("ideographic space before") << "\u3000先生" << false << true << "\u3000先生 小５";
        QTest::newRow("ideographic space after") << "先生\u3000" << false << true << "先生\u3000 小５";
        QTest::newRow("surname and 先生") << "山田先生" << false << true << "山田先生 小５";
        QTest::newRow("先生 inside a name") << "山田 先生 " << false << true << "山田 先生 小５";
        QTest::newRow("a tab is no half-width space") << "\t先生" << false << true << "\t先生 小５";
        QTest::newRow("student") << "髙橋　ひかり  " << false << false << "髙橋　ひかり 小５";
        QTest::newRow("only 先") << "先" << false << false << "先 小５";
        QTest::newRow("empty") << "" << false << false << " 小５";
    }
    void teacherRules()
    {
        QFETCH(QString, name);
        QTEST(isTeacher(name), "teacher");
        QTEST(mayPrintSheets(name), "mayPrint");
        QTEST(studentHeaderText(name, QStringLiteral("小５")), "header");
    }

    void teacherData_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("dataButton");
        QTest::newRow("先生") << "先生" << true;
        QTest::newRow("name containing 先生") << "山田先生" << false;
        QTest::newRow("ideographic space") << "\u3000先生" << false;
        QTest::newRow("student") << "髙橋" << false;
    }
    void teacherData()
    {
        QFETCH(QString, name);
        QFETCH(bool, dataButton);
        ctx().studentName = padName(name);
        seisekitime1 menu(ctx());
        menu.show();
        auto* button = menu.findChild<QPushButton*>(QStringLiteral("Command8"));
        QCOMPARE(button->isVisible(), dataButton);
        if (!dataButton)
            return;
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(menu.findChild<QWidget*>(QStringLiteral("Picture4"))->isVisible());
        QTest::keyClick(&menu, '1');  // keys still work, but starting is ignored while the panel is up
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showDrillWindow")));
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command10")), Qt::LeftButton);
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showCriteriaEditor")));
        QTest::mouseClick(menu.findChild<QPushButton*>(QStringLiteral("Command9")), Qt::LeftButton);
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showRecordsMaintenance")));
    }
};

QTEST_MAIN(TestMenu)
#include "test_menu.moc"
