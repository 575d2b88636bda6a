#include "results/endofdrill.h"
#include "results/frmsyuuryou.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "support/fakes.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace soinsuu;

Q_DECLARE_METATYPE(QList<int>)
Q_DECLARE_METATYPE(soinsuu::EndMessage)
Q_DECLARE_METATYPE(soinsuu::WayOn::Label2)

namespace {

constexpr int kStudent = 12;
constexpr int kOther = 30;

} // namespace

class TestEndOfDrill : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<FrmSyuuryou> frm_;

    RunContext& ctx() { return **t_; }

    void addRecord(int student, int level, int time, int daysAgo = 0)
    {
        ResultRecord r;
        r.date = oleDate(t_->clock.today().addDays(-daysAgo));
        r.timeOfDay = 0.4;
        r.Bangou = std::int16_t(student);
        r.level = std::int16_t(level);
        r.time = time;
        QCOMPARE(appendRecord(resultsFilePath(ctx()), r).status, FileStatus::Ok);
    }

    // Records the run as the drill does, then opens the window.
    void finishRun(int level, int runTime, bool timedOut = false)
    {
        QVERIFY(computeCounts(ctx()));
        ctx().selectedLevel = std::int16_t(level);
        ctx().runTime = runTime;
        ctx().runEnd = timedOut ? 1 : 0;
        QVERIFY(Seisekikiroku(ctx(), level));
        openWindow();
    }

    // Shows a fresh window and lets its evaluation run.
    void openWindow()
    {
        frm_ = std::make_unique<FrmSyuuryou>(ctx());
        frm_->show();
        QCoreApplication::processEvents();
    }

    QLabel* label(int n) { return frm_->findChild<QLabel*>(QStringLiteral("Label%1").arg(n)); }
    QWidget* widget(const char* name) { return frm_->findChild<QWidget*>(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().currentStudent = kStudent;
        ctx().studentName = QStringLiteral("  髙橋　ひかり   ");
        for (int level = 1; level <= 35; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{40, 60, 10, 3, 1.5f, 0, 0, 7, 1, {}, {}, {}};
    }

    void cleanup() { frm_.reset(); }

    void pointsLines_data()
    {
        QTest::addColumn<int>("base");
        QTest::addColumn<float>("multiplier");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("line");
        QTest::newRow("1.5") << 11 << 1.5f << 16 << "獲得ポイント：11点×1.5→16点";
        QTest::newRow("1") << 5 << 1.0f << 5 << "獲得ポイント：5点×1→5点";
        QTest::newRow("0.8") << 10 << 0.8f << 8 << "獲得ポイント：10点×0.8→8点";
    }
    void pointsLines()
    {
        QFETCH(int, base);
        QFETCH(float, multiplier);
        QFETCH(int, points);
        QFETCH(QString, line);
        QCOMPARE(pointsLine(base, multiplier, points), line);
    }

    void cases_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QList<int>>("earlierRuns");  // the student's earlier times on the level, today
        QTest::addColumn<int>("otherBest");           // another student's time on the level, long ago
        QTest::addColumn<int>("runTime");
        QTest::addColumn<double>("banCount");
        QTest::addColumn<int>("topLevelCleared");
        QTest::addColumn<bool>("goalMarked9999");
        QTest::addColumn<QString>("message");         // empty: hidden
        QTest::addColumn<QStringList>("sounds");
        QTest::addColumn<bool>("bannerShown");       // through the last sound (or to the end)
        QTest::addColumn<QString>("label2");          // after the timer; empty: hidden
        QTest::addColumn<bool>("again");

        const QList<int> none;
        QTest::newRow("first run: personal best") << 1 << none << 30 << 50 << 0.0 << 0 << false
            << "新記録おめでとう" << QStringList{"s8.wav"} << false << "" << true;
        QTest::newRow("school best") << 1 << none << 60 << 50 << 0.0 << 0 << false
            << "！！！最高新記録！！！" << QStringList{"最高1.wav"} << false << "" << true;
        QTest::newRow("no record, at the minimum line") << 1 << QList<int>{30} << 20 << 60 << 0.0 << 0 << false
            << "" << QStringList{"s10.wav"} << false << "" << true;
        QTest::newRow("no record, slower") << 1 << QList<int>{30} << 20 << 61 << 0.0 << 0 << false
            << "" << QStringList{} << false << "" << true;
        QTest::newRow("clears level 2") << 2 << QList<int>{35, 35} << 20 << 50 << 0.0 << 0 << false
            << "" << QStringList{"s10.wav"} << false << "このレベルクリア" << true;
        QTest::newRow("clears the goal level first") << 4 << QList<int>{35, 35} << 20 << 50 << 0.0 << 0 << false
            << "" << QStringList{"s10.wav", "合格.wav"} << true << "このレベルクリア" << true;
        QTest::newRow("clears the goal level again") << 4 << QList<int>{35, 35, 35} << 20 << 50 << 0.0 << 0 << false
            << "" << QStringList{"s10.wav"} << true << "このレベルクリア" << true;
        QTest::newRow("9999 hides the banner") << 4 << QList<int>{35, 35} << 20 << 50 << 0.0 << 0 << true
            << "" << QStringList{"s10.wav", "合格.wav"} << false << "このレベルクリア" << true;
        QTest::newRow("over-practised, goal not cleared") << 2 << QList<int>{35, 35} << 20 << 50 << 3.0 << 0 << false
            << "" << QStringList{"s10.wav"} << false << "次のレベルへ進みましょう" << false;
        QTest::newRow("over-practised, goal cleared") << 2 << QList<int>{35, 35} << 20 << 50 << 3.0 << 1 << false
            << "" << QStringList{"s10.wav"} << false << "このレベルクリア" << true;
        QTest::newRow("over-practised on the goal level") << 4 << QList<int>{35, 35} << 20 << 50 << 3.0 << 0 << false
            << "" << QStringList{"s10.wav", "合格.wav"} << true << "" << true;
    }
    void cases()
    {
        QFETCH(int, level);
        QFETCH(QList<int>, earlierRuns);
        QFETCH(int, otherBest);
        QFETCH(int, runTime);
        QFETCH(double, banCount);
        QFETCH(int, topLevelCleared);
        QFETCH(bool, goalMarked9999);
        QFETCH(QString, message);
        QFETCH(QStringList, sounds);
        QFETCH(bool, bannerShown);
        QFETCH(QString, label2);
        QFETCH(bool, again);

        ctx().criteria[std::size_t(level)].banCount = banCount;
        if (goalMarked9999)
            ctx().criteria[20].clearCount = 9999;
        ctx().topLevelCleared = std::int16_t(topLevelCleared);
        addRecord(kOther, level, otherBest, 30);
        for (int time : earlierRuns)
            addRecord(kStudent, level, time);
        // Each sound takes 1.2 s, longer than the timer's 500 ms.
        bool bannerSeen = false;
        bool buttonSeenDuringASound = false;
        t_->sound.onPlayed = [&](const QString&) {
            bannerSeen = widget("Picture1")->isVisible();
            buttonSeenDuringASound |= widget("Command4")->isVisible() || widget("Command5")->isVisible();
        };
        finishRun(level, runTime);
        if (sounds.isEmpty())
            bannerSeen = widget("Picture1")->isVisible();

        QCOMPARE(label(20)->isVisible(), !message.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(label(20)->text(), message);
        QCOMPARE(t_->sound.playedNames(), sounds);
        QCOMPARE(bannerSeen, bannerShown);
        QVERIFY(!buttonSeenDuringASound);
        QCOMPARE(ctx().newPersonalBest, std::int16_t(0));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(0));
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeWaitWindow")));
        QVERIFY(!frm_->evaluating());
        // Without a sound the evaluation is over before the timer.
        QCOMPARE(widget("Command4")->isVisible(), !sounds.isEmpty());
        t_->clock.pass(500);
        QVERIFY(!frm_->timer()->isActive());
        QVERIFY(!widget("Picture1")->isVisible());
        QVERIFY(widget("Command4")->isVisible());
        QCOMPARE(widget("Command5")->isVisible(), again);
        QCOMPARE(label(2)->isVisible(), !label2.isEmpty());
        if (!label2.isEmpty())
            QCOMPARE(label(2)->text(), label2);
    }

    // The roster pads names with half-width spaces; those go, a full-width
    // space that is part of the name stays.
    void nameLosesOnlyItsPadding()
    {
        ctx().studentName = QStringLiteral("　山田　 \t  ");
        ctx().selectedLevel = 1;
        QCOMPARE(evaluateEndOfDrill(ctx()).studentName, QStringLiteral("　山田　 \t"));
    }

    void texts()
    {
        addRecord(kStudent, 1, 45);
        addRecord(kStudent, 1, 45);
        for (int i = 0; i < 4; ++i)
            addRecord(kStudent, 3, 45);
        addRecord(kStudent, 1, 45, 1);  // yesterday: not counted today
        finishRun(1, 25);
        QCOMPARE(label(15)->text(), QStringLiteral("素因数分解"));
        QCOMPARE(label(16)->text(), QStringLiteral("その1"));
        QCOMPARE(label(17)->text(), QStringLiteral("髙橋　ひかり"));
        QCOMPARE(label(18)->text(), QStringLiteral("今の成績：25秒"));
        QCOMPARE(label(19)->text(), QStringLiteral("獲得ポイント：7点×1.5→10点"));
        QCOMPARE(label(13)->text(), QStringLiteral(" (このレベル　3回目)"));
        QCOMPARE(label(14)->text(), QStringLiteral("（7回目)"));
    }

    void timedOut()
    {
        finishRun(1, kNoTime, true);
        QCOMPARE(label(20)->text(), QStringLiteral("時間切れ"));
        QVERIFY(label(20)->isVisible());
        QCOMPARE(label(18)->text(), QStringLiteral("記録なし"));
        QCOMPARE(label(19)->text(), QStringLiteral("獲得ポイント：0点×1.5→0点"));
        QVERIFY(t_->sound.played.isEmpty());
    }

    void buttons()
    {
        finishRun(1, 50);
        t_->clock.pass(500);
        QTest::mouseClick(static_cast<QPushButton*>(widget("Command4")), Qt::LeftButton);
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showStudentMenu")));
        QVERIFY(!frm_->isVisible());

        t_->navigator.calls.clear();
        openWindow();
        t_->clock.pass(500);
        ctx().runFinished = 1;
        QTest::mouseClick(static_cast<QPushButton*>(widget("Command5")), Qt::LeftButton);
        QVERIFY(!static_cast<QPushButton*>(widget("Command4"))->isEnabled());
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showWaitWindow")));
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showDrillWindow")));
        QCOMPARE(ctx().runFinished, std::int16_t(0));
    }

    void endMessages_data()
    {
        QTest::addColumn<int>("runEnd");
        QTest::addColumn<int>("personalBest");
        QTest::addColumn<int>("schoolBest");
        QTest::addColumn<int>("runTime");
        QTest::addColumn<soinsuu::EndMessage>("expected");
        QTest::addColumn<QString>("text");

        QTest::newRow("timed out") << 1 << 0 << 0 << 99999 << EndMessage::TimedOut << "時間切れ";
        QTest::newRow("timed out outranks stale flags") << 1 << 1 << 1 << 99999 << EndMessage::TimedOut << "時間切れ";
        QTest::newRow("personal best") << 0 << 1 << 0 << 50 << EndMessage::PersonalBest << "新記録おめでとう";
        QTest::newRow("school best outranks personal best")
            << 0 << 1 << 1 << 50 << EndMessage::SchoolBest << "！！！最高新記録！！！";
        QTest::newRow("school best alone") << 0 << 0 << 1 << 50 << EndMessage::SchoolBest << "！！！最高新記録！！！";
        QTest::newRow("no record, on the minimum line") << 0 << 0 << 0 << 60 << EndMessage::AtMinimumLine << "";
        QTest::newRow("no record, under the minimum line") << 0 << 0 << 0 << 10 << EndMessage::AtMinimumLine << "";
        QTest::newRow("no record, a second slower") << 0 << 0 << 0 << 61 << EndMessage::None << "";
    }
    void endMessages()
    {
        QFETCH(int, runEnd);
        QFETCH(int, personalBest);
        QFETCH(int, schoolBest);
        QFETCH(int, runTime);
        QFETCH(soinsuu::EndMessage, expected);
        QFETCH(QString, text);
        const EndMessage m = endMessageFor(runEnd, personalBest, schoolBest, runTime, 60);
        QCOMPARE(m, expected);
        QCOMPARE(endMessageText(m), text);
    }

    void wayOn_data()
    {
        QTest::addColumn<bool>("overPractised");
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("goalLevel");
        QTest::addColumn<bool>("goalCleared");
        QTest::addColumn<bool>("again");
        QTest::addColumn<soinsuu::WayOn::Label2>("label2");

        using L = WayOn::Label2;
        QTest::newRow("not over-practised") << false << true << false << false << true << L::Keep;
        QTest::newRow("over-practised, not cleared") << true << false << false << false << true << L::Keep;
        QTest::newRow("over-practised, not cleared, goal level") << true << false << true << false << true << L::Keep;
        QTest::newRow("over-practised and cleared, goal ahead") << true << true << false << false << false << L::MoveOn;
        QTest::newRow("over-practised and cleared, goal behind") << true << true << false << true << true << L::Keep;
        QTest::newRow("over-practised and cleared goal level") << true << true << true << false << true << L::Hide;
        QTest::newRow("over-practised and cleared goal level, seen cleared")
            << true << true << true << true << true << L::Hide;
    }
    void wayOn()
    {
        QFETCH(bool, overPractised);
        QFETCH(bool, cleared);
        QFETCH(bool, goalLevel);
        QFETCH(bool, goalCleared);
        QFETCH(bool, again);
        QFETCH(soinsuu::WayOn::Label2, label2);
        const WayOn w = wayOnFor(overPractised, cleared, goalLevel, goalCleared);
        QCOMPARE(w.again, again);
        QCOMPARE(w.label2, label2);
    }

    void resultLines_data()
    {
        QTest::addColumn<int>("targetTime");
        QTest::addColumn<float>("multiplier");
        QTest::addColumn<int>("runTime");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("points");

        QTest::newRow("half the target") << 60 << 1.5f << 30 << "今の成績：30秒" << "獲得ポイント：11点×1.5→16点";
        QTest::newRow("on the target") << 60 << 1.5f << 60 << "今の成績：60秒" << "獲得ポイント：5点×1.5→7点";
        QTest::newRow("within twice the target") << 60 << 0.8f << 100 << "今の成績：100秒" << "獲得ポイント：4点×0.8→3点";
        // Four digits: the run's own time counts here, not the figure of its first three digits.
        QTest::newRow("four-digit time") << 1500 << 1.0f << 1234 << "今の成績：1234秒" << "獲得ポイント：5点×1→5点";
        QTest::newRow("timed out") << 60 << 1.5f << 99999 << "記録なし" << "獲得ポイント：0点×1.5→0点";
    }
    void resultLines()
    {
        QFETCH(int, targetTime);
        QFETCH(float, multiplier);
        QFETCH(int, runTime);
        QFETCH(QString, result);
        QFETCH(QString, points);
        ctx().criteria[1].targetTime = targetTime;
        ctx().criteria[1].minimumLineTime = 5000;
        ctx().criteria[1].pointMultiplier = multiplier;
        finishRun(1, runTime, runTime == kNoTime);
        QCOMPARE(label(18)->text(), result);
        QCOMPARE(label(19)->text(), points);
    }

    // The show event comes before the window is on screen: the sounds must
    // wait for it, or they play over the wait window.
    void onScreenBeforeTheFirstSound()
    {
        addRecord(kOther, 1, 30, 30);
        bool seenOnScreen = false;
        t_->sound.onPlay = [&](const QString&) {
            seenOnScreen = frm_->windowHandle() && frm_->windowHandle()->isVisible();
        };
        finishRun(1, 50);
        QCOMPARE(t_->sound.playedNames(), QStringList{"s8.wav"});
        QVERIFY(seenOnScreen);
    }

    // Showing the window again (e.g. after it was hidden) must not replay the
    // evaluation and its sounds.
    void evaluatedOncePerOpening()
    {
        addRecord(kOther, 1, 30, 30);
        finishRun(1, 50);
        frm_->hide();
        frm_->show();
        QCoreApplication::processEvents();
        QCOMPARE(t_->sound.playedNames(), QStringList{"s8.wav"});
        QCOMPARE(t_->navigator.calls.count(QStringLiteral("closeWaitWindow")), 1);
    }

    // The window in a classroom: sounds of 1.2 s, a child who presses keys
    // and buttons while they play, a window manager asked to close it. The
    // buttons come only after the evaluation and its sounds, nothing the
    // child does meanwhile acts before that, and the window stays.
    void classroomTiming_data()
    {
        QTest::addColumn<QString>("during");      // what the child does while the sounds play
        QTest::addColumn<QString>("after");       // ... and once the buttons are there
        QTest::addColumn<QStringList>("navigation");
        const QStringList stays{"closeWaitWindow"};
        const QStringList toMenu{"closeWaitWindow", "showStudentMenu"};
        QTest::newRow("waits") << "" << "" << stays;
        QTest::newRow("Space mashed") << "space" << "" << stays;
        QTest::newRow("click on the menu button's place") << "click" << "" << stays;
        QTest::newRow("close request during a sound") << "close" << "" << stays;
        QTest::newRow("close request afterwards") << "" << "close" << stays;
        QTest::newRow("Return on the focused button") << "" << "return" << toMenu;
        QTest::newRow("Enter on the focused button") << "" << "enter" << toMenu;
        QTest::newRow("Space on the focused button") << "" << "space" << toMenu;
    }
    void classroomTiming()
    {
        QFETCH(QString, during);
        QFETCH(QString, after);
        QFETCH(QStringList, navigation);
        // The goal level cleared for the first time: "合格.wav" after the
        // run's own sound, the banner through both.
        addRecord(kStudent, 4, 35);
        addRecord(kStudent, 4, 35);
        addRecord(kOther, 4, 20, 30);
        bool closeAccepted = false;
        QStringList shownDuring;
        t_->sound.onPlay = [&](const QString&) {
            if (widget("Command4")->isVisible())
                shownDuring << QStringLiteral("buttons");
            if (!widget("Picture1")->isVisible())
                shownDuring << QStringLiteral("no banner");
            // Keys go to the widget with the focus, a click to what is
            // under the pointer: the window, while the buttons are hidden.
            QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : frm_.get();
            if (during == u"space") {
                QTest::keyClick(focus, Qt::Key_Space);
                QTest::keyClick(focus, Qt::Key_Space);
            } else if (during == u"click") {
                QTest::mouseClick(frm_.get(), Qt::LeftButton, {}, frm_->mapFromGlobal(widget("Command4")->mapToGlobal(QPoint(10, 10))));
            } else if (during == u"close") {
                closeAccepted |= test::requestCloseFromWindowManager(frm_.get());
            }
        };
        finishRun(4, 50);
        QCOMPARE(t_->sound.playedNames(), (QStringList{"s10.wav", "合格.wav"}));
        QCOMPARE(shownDuring, QStringList());
        test::settle();
        QVERIFY(widget("Command4")->isVisible());
        QCOMPARE(QApplication::focusWidget() == widget("Command4") || !frm_->isActiveWindow(), true);
        if (after == u"close")
            closeAccepted |= test::requestCloseFromWindowManager(frm_.get());
        else if (after == u"return")
            QTest::keyClick(widget("Command4"), Qt::Key_Return);
        else if (after == u"enter")
            QTest::keyClick(widget("Command4"), Qt::Key_Enter);
        else if (after == u"space")
            QTest::keyClick(widget("Command4"), Qt::Key_Space);
        test::settle();
        QVERIFY(!closeAccepted);
        QCOMPARE(t_->navigator.calls, navigation);
        QCOMPARE(frm_->isVisible(), !navigation.contains(QStringLiteral("showStudentMenu")));
    }

    // A second press, of either button, must not open a second window.
    void onePressOnly_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("menu, then again") << "Command4" << "Command5";
        QTest::newRow("again, then menu") << "Command5" << "Command4";
        QTest::newRow("again twice") << "Command5" << "Command5";
    }
    void onePressOnly()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        finishRun(1, 50);
        t_->clock.pass(500);
        t_->navigator.calls.clear();
        auto* a = frm_->findChild<QPushButton*>(first);
        auto* b = frm_->findChild<QPushButton*>(second);
        a->click();
        const QStringList afterFirst = t_->navigator.calls;
        b->click();
        QVERIFY(!b->isEnabled());
        QCOMPARE(t_->navigator.calls, afterFirst);
    }

    // Without its data folder the window tells the student, ends the
    // program and offers no way on.
    void resultsFileMissing()
    {
        ctx().programDataFolder = dir_.filePath(QStringLiteral("gone")) + QStringLiteral("/");
        ctx().selectedLevel = 1;
        ctx().runTime = 50;
        openWindow();
        QCOMPARE(t_->navigator.calls, QStringList{"endProgram"});
        QVERIFY(!t_->dialogs.shown.empty());
        QVERIFY(t_->dialogs.shown.front().text.startsWith(QStringLiteral("ファイルがありません")));
        QVERIFY(t_->sound.played.isEmpty());
        QVERIFY(!frm_->timer()->isActive());
    }
};

QTEST_MAIN(TestEndOfDrill)
#include "test_endofdrill.moc"
