#include "drill/mainfrm.h"
#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {
enum Scenario { TypeAhead, SpaceTwiceAfterLastRow, LimitInRowSound, LimitInLastSound, CloseRequest, CloseDuringSound };
}

class TestMainFrm : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<MainFrm> frm_;

    RunContext& ctx() { return **t_; }

    void open(int level = 1)
    {
        ctx().selectedLevel = std::int16_t(level);
        startDrillRun(ctx());
        frm_ = std::make_unique<MainFrm>(ctx());
        frm_->show();
    }

    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(frm_.get(), c.toLatin1());
    }

    // Enters one row: divisor, Right, quotient, Space.
    void row(int divisor, int quotient)
    {
        type(QString::number(divisor));
        QTest::keyClick(frm_.get(), Qt::Key_Right);
        type(QString::number(quotient));
        QTest::keyClick(frm_.get(), Qt::Key_Space);
    }

    void solveCurrentProblem()
    {
        const int posed = frm_->problem().posedNumber;
        while (frm_->problem().posedNumber == posed && !ctx().runFinished)
            row(frm_->problem().expectedDivisor, frm_->problem().expectedQuotient);
    }

    QString label(const char* name) { return frm_->findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    bool visible(const char* name) { return frm_->findChild<QWidget*>(QString::fromLatin1(name))->isVisible(); }

    std::vector<ResultRecord> records()
    {
        NewestRecords n;
        readNewestRecords(resultsFilePath(ctx()), 100, &n);
        return n.records;
    }

private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void init()
    {
        t_ = test::freshRunContext(dir_.path());
        ctx().schoolName = QStringLiteral("Korvane塾");
        ctx().schoolCode = QStringLiteral("12345");
        ctx().currentStudent = 12;
        ctx().studentName = QStringLiteral("髙橋　ひかり        ");
        ctx().nameConfirmTime = 10 * 3600 - 180;  // three minutes before the fake clock's 10:00
        for (int level = 1; level <= 4; ++level)
            ctx().criteria[std::size_t(level)] = LevelCriteria{40, 60, 60, 5, 1, 8, 0, 7, 1, {}, {}, {}};
        ctx().bestTime.fill(kNoTime);
        ctx().schoolBestTime.fill(kNoTime);
        ctx().todayRuns(12, 1) = 2;
        ctx().todayRuns(12, 3) = 1;
    }

    void cleanup() { frm_.reset(); }

    void statusStrip()
    {
        open(1);
        QCOMPARE(label("sLabel2"), QStringLiteral("素因数分解"));
        QCOMPARE(label("sLabel7"), QStringLiteral("髙橋　ひかり"));
        QCOMPARE(label("sLabel14"), QStringLiteral("Korvane塾"));
        QCOMPARE(label("sLabel8"), QStringLiteral("その1"));
        QCOMPARE(label("sLabel9"), QStringLiteral("10"));
        QCOMPARE(label("sLabel10"), QStringLiteral("0"));
        QCOMPARE(label("sLabel13"), QStringLiteral("3"));
        QCOMPARE(label("sLabel12"), QStringLiteral("4"));  // 1 + 2 + 1 runs today
        QCOMPARE(label("sLabel11"), QStringLiteral("3"));
        QCOMPARE(ctx().timeLimit, 300);
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeStudentMenu")));
        QVERIFY(visible("Keisan2Lbl1_0"));
        QVERIFY(!visible("Keisan2Lbl4_0"));
        QVERIFY(!visible("sPicture2"));
    }

    void titleSize_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("points");
        QTest::newRow("short") << QStringLiteral("素因数分解") << 16.8;
        QTest::newRow("nine characters") << QStringLiteral("素因数分解の練習帳") << 16.8;
        QTest::newRow("ten characters") << QStringLiteral("素因数分解の練習帳２") << 14.0;
    }
    void titleSize()
    {
        QFETCH(QString, title);
        QFETCH(double, points);
        ctx().programTitle = title;
        open(1);
        auto* l = frm_->findChild<QLabel*>(QStringLiteral("sLabel2"));
        QCOMPARE(l->text(), title);
        QCOMPARE(l->font(), designFont(kPGothic, points, true));
    }

    // Each row starts from cell 0 = "12", cell 1 = "6", sends one key to the
    // window, then types "7".
    void keyTable_data()
    {
        QTest::addColumn<int>("startCell");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("cell0");
        QTest::addColumn<QString>("cell1");
        QTest::addColumn<QString>("afterTyping");  // the active cell's text after "7"
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, alt = Qt::AltModifier;
        QTest::newRow("Right on 0") << 0 << int(Qt::Key_Right) << none << 1 << "12" << "6" << "67";
        QTest::newRow("Shift+Right on 0") << 0 << int(Qt::Key_Right) << shift << 1 << "12" << "" << "7";
        QTest::newRow("Right on 1 wraps") << 1 << int(Qt::Key_Right) << none << 0 << "12" << "6" << "127";
        QTest::newRow("Ctrl+Right on 1 wraps") << 1 << int(Qt::Key_Right) << ctrl << 0 << "" << "6" << "7";
        QTest::newRow("Left on 0 wraps") << 0 << int(Qt::Key_Left) << none << 1 << "12" << "6" << "67";
        QTest::newRow("Alt+Left on 1") << 1 << int(Qt::Key_Left) << alt << 0 << "" << "6" << "7";
        QTest::newRow("Delete on 0") << 0 << int(Qt::Key_Delete) << none << 0 << "" << "6" << "7";
        QTest::newRow("Delete on 1") << 1 << int(Qt::Key_Delete) << none << 1 << "12" << "" << "7";
        QTest::newRow("Ctrl+Delete on 0") << 0 << int(Qt::Key_Delete) << ctrl << 0 << "" << "" << "7";
        QTest::newRow("Down on 1") << 1 << int(Qt::Key_Down) << none << 1 << "12" << "" << "7";
        QTest::newRow("Shift+Down on 1") << 1 << int(Qt::Key_Down) << shift << 1 << "" << "" << "7";
        QTest::newRow("Up on 1") << 1 << int(Qt::Key_Up) << none << 0 << "" << "" << "7";
        QTest::newRow("Shift+Up on 0") << 0 << int(Qt::Key_Up) << shift << 0 << "" << "" << "7";
        QTest::newRow("Space on 0") << 0 << int(Qt::Key_Space) << none << 1 << "12" << "6" << "67";
        QTest::newRow("Home does nothing") << 1 << int(Qt::Key_Home) << none << 1 << "12" << "6" << "67";
        QTest::newRow("Space on 1 judges: locked") << 1 << int(Qt::Key_Space) << none << 1 << "12" << "6" << "6";
    }
    void keyTable()
    {
        QFETCH(int, startCell);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, active);
        QFETCH(QString, cell0);
        QFETCH(QString, cell1);
        QFETCH(QString, afterTyping);
        open(1);
        type(QStringLiteral("12"));
        QTest::keyClick(frm_.get(), Qt::Key_Right);
        type(QStringLiteral("6"));
        if (startCell == 0)
            QTest::keyClick(frm_.get(), Qt::Key_Left);
        QTest::keyClick(frm_.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(frm_->cells().activeCell(), active);
        QCOMPARE(label("Keisan2Lbl1_0"), cell0);
        QCOMPARE(label("Keisan2Lbl1_1"), cell1);
        for (int i = 0; i < 2; ++i) {
            const auto* cell = frm_->findChild<QLabel*>(QStringLiteral("Keisan2Lbl1_%1").arg(i));
            QCOMPARE(cell->palette().color(QPalette::Window), i == active ? QColor(0, 192, 0) : QColor(128, 255, 255));
        }
        type(QStringLiteral("7"));
        QCOMPARE(label(active == 0 ? "Keisan2Lbl1_0" : "Keisan2Lbl1_1"), afterTyping);
    }

    void startSequenceRunsOncePerOpening()
    {
        open(1);
        t_->clock.pass(7000);
        const int posed = frm_->problem().posedNumber;
        const auto started = ctx().runStartTick;
        frm_->hide();
        frm_->show();
        QVERIFY(QTest::qWaitForWindowExposed(frm_.get()));
        QCOMPARE(frm_->problem().posedNumber, posed);
        QCOMPARE(ctx().runStartTick, started);
        QCOMPARE(label("sLabel10"), QStringLiteral("7"));
    }

    void practiceLevelIsNotRecorded()
    {
        ctx().levelNames[1] = QStringLiteral("練習その1");
        open(1);
        QCOMPARE(label("sLabel12"), QStringLiteral("－"));
        QCOMPARE(label("sLabel11"), QStringLiteral("－"));
        while (!ctx().runFinished)
            solveCurrentProblem();
        QVERIFY(visible("lblsss1"));
        QVERIFY(records().empty());
        QCOMPARE(t_->navigator.calls.mid(t_->navigator.calls.size() - 3),
                 (QStringList{"showWaitWindow", "closeDrillWindow", "showStudentMenu"}));
        QVERIFY(!t_->navigator.calls.contains(QStringLiteral("showEndOfDrill")));
    }

    void wholeRunOfLevel1()
    {
        open(1);
        QStringList expectedSounds;
        QList<int> posed;
        for (int p = 0; p < 10; ++p) {
            posed << frm_->problem().posedNumber;
            int rows = 0;
            for (int n = frm_->problem().posedNumber; smallestPrimeDivisor(n) && n / smallestPrimeDivisor(n) != 1;
                 n /= smallestPrimeDivisor(n))
                ++rows;
            QCOMPARE(rows, 2);  // three prime factors, two entered rows
            expectedSounds << QStringLiteral("s2.wav") << QStringLiteral("s1.wav");
            t_->clock.pass(5000);
            solveCurrentProblem();
            if (p < 9)
                QCOMPARE(label("sLabel9"), QString::number(9 - p));
        }
        for (int i = 1; i < posed.size(); ++i)
            QVERIFY(posed[i] != posed[i - 1]);
        QCOMPARE(t_->sound.playedNames(), expectedSounds);
        QCOMPARE(ctx().runFinished, std::int16_t(1));
        QCOMPARE(ctx().runTime, 50 + 20 * 12 / 10);  // and twenty sounds of 1.2 s
        QCOMPARE(label("sLabel10"), QStringLiteral("74"));
        QCOMPARE(ctx().newPersonalBest, std::int16_t(1));
        QVERIFY(visible("sPicture2"));
        QVERIFY(visible("lblsss1"));
        QVERIFY(!visible("lblsss2"));
        const auto rec = records();
        QCOMPARE(int(rec.size()), 1);
        QCOMPARE(rec[0].Bangou, std::int16_t(12));
        QCOMPARE(rec[0].level, std::int16_t(1));
        QCOMPARE(rec[0].time, 74);
        QCOMPARE(t_->navigator.calls.mid(t_->navigator.calls.size() - 3),
                 (QStringList{"showWaitWindow", "closeDrillWindow", "showEndOfDrill"}));
        QCOMPARE(t_->clock.totalWaitedMs, 1000);
        // Typing after the end changes nothing.
        type(QStringLiteral("7"));
        QCOMPARE(frm_->cells().text(0), QString());
    }

    void ladderRows()
    {
        open(1);
        const int n = frm_->problem().posedNumber;
        const int d = frm_->problem().expectedDivisor;
        const int q = frm_->problem().expectedQuotient;
        QCOMPARE(frm_->ladderArea()->printedTexts(), QStringList{QStringLiteral(")") + QString::number(n)});
        row(d, q);
        QCOMPARE(t_->sound.playedNames(), QStringList{"s2.wav"});
        // Row 0 printed again with its divisor, row 1 started with the quotient.
        QVERIFY(frm_->ladderArea()->printedTexts().contains(QStringLiteral("   %1").arg(d)));
        QVERIFY(frm_->ladderArea()->printedTexts().contains(QStringLiteral(")") + QString::number(q).rightJustified(2, u' ')));
        QCOMPARE(frm_->cells().activeCell(), 0);
        auto* cell0 = frm_->findChild<QLabel*>(QStringLiteral("Keisan2Lbl1_0"));
        auto* cell1 = frm_->findChild<QLabel*>(QStringLiteral("Keisan2Lbl1_1"));
        const double TH = frm_->ladderArea()->th();
        QCOMPARE(cell1->y(), int(std::lround(2 * TH)));
        QVERIFY(std::abs(cell0->y() - (TH - 2)) <= 1);
        QCOMPARE(cell0->width(), int(std::lround(2 * frm_->ladderArea()->tw())));
        // One character cell between them, where the ")" stands.
        QVERIFY(std::abs(cell1->x() - (cell0->x() + cell0->width()) - frm_->ladderArea()->tw()) <= 1);
    }

    void wrongRowLocksUntilTwoPluses()
    {
        open(1);
        const int posed = frm_->problem().posedNumber;
        const int d = frm_->problem().expectedDivisor;
        const int q = frm_->problem().expectedQuotient;
        row(d + 1, q);
        QCOMPARE(ctx().retryLock, std::int16_t(1));
        QCOMPARE(ctx().solvedCount, 0);  // not below 0
        QCOMPARE(label("sLabel9"), QStringLiteral("10"));
        QVERIFY(visible("Keisan2Lbl4_0"));
        QCOMPARE(label("Keisan2Lbl4_0"), QString::number(d));
        QCOMPARE(label("Keisan2Lbl4_1"), QString::number(q));
        QVERIFY(visible("RedCross"));
        QVERIFY(visible("PlusPrompt"));
        QCOMPARE(t_->sound.playedNames(), QStringList{"s4.wav"});
        // Keys other than "+" are not typed, and arrows do nothing.
        QTest::keyClick(frm_.get(), Qt::Key_Up);
        QTest::keyClick(frm_.get(), '+');
        QCOMPARE(ctx().retryLock, std::int16_t(2));
        QTest::keyClick(frm_.get(), '5');
        QCOMPARE(ctx().retryLock, std::int16_t(1));
        QTest::keyClick(frm_.get(), '+');
        QVERIFY(visible("PlusPrompt"));
        QTest::keyClick(frm_.get(), '+');
        QCOMPARE(ctx().retryLock, std::int16_t(0));
        QVERIFY(!visible("PlusPrompt"));
        QVERIFY(!visible("RedCross"));
        QVERIFY(!visible("Keisan2Lbl4_0"));
        QCOMPARE(frm_->problem().posedNumber, posed);
        QCOMPARE(frm_->problem().currentNumber, posed);
        QCOMPARE(frm_->ladderArea()->printedTexts(),
                 QStringList{QString::number(d).rightJustified(3, u' ') + QStringLiteral(" )") + QString::number(posed)});

        // A wrong row after a solved problem costs that problem.
        solveCurrentProblem();
        QCOMPARE(ctx().solvedCount, 1);
        row(frm_->problem().expectedDivisor, frm_->problem().expectedQuotient + 1);
        QCOMPARE(ctx().solvedCount, 0);
        QCOMPARE(label("sLabel9"), QStringLiteral("10"));
    }

    void tooLongPlaysTheWarning()
    {
        open(1);
        type(QString(23, u'1'));
        QCOMPARE(frm_->cells().text(0).size(), 23);
        type(QStringLiteral("2"));
        QCOMPARE(frm_->cells().text(0).size(), 23);
        QCOMPARE(t_->sound.playedNames(), QStringList{"警告1.wav"});
        QTest::keyClick(frm_.get(), Qt::Key_Backspace);
        QCOMPARE(frm_->cells().text(0).size(), 22);
        QCOMPARE(frm_->findChild<QLabel*>(QStringLiteral("Keisan2Lbl1_0"))->text().size(), 22);
    }

    void timeOut_data()
    {
        QTest::addColumn<bool>("judging");
        QTest::newRow("idle") << false;
        QTest::newRow("judgement in progress") << true;
    }
    void timeOut()
    {
        QFETCH(bool, judging);
        open(1);
        t_->clock.pass(299400);
        QCOMPARE(label("sLabel10"), QStringLiteral("299"));
        QCOMPARE(ctx().runEnd, std::int16_t(0));
        ctx().judging = judging ? 1 : 0;
        t_->clock.pass(1000);
        if (judging) {
            QCOMPARE(label("sLabel10"), QStringLiteral("300"));
            QCOMPARE(ctx().runEnd, std::int16_t(0));  // waits for the next tick
            ctx().judging = 0;
            t_->clock.pass(1000);
        }
        QCOMPARE(ctx().runEnd, std::int16_t(1));
        QCOMPARE(ctx().runTime, kNoTime);
        QVERIFY(visible("lblsss2"));
        QVERIFY(!visible("lblsss1"));
        QCOMPARE(records().at(0).time, kNoTime);
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showEndOfDrill")));
        type(QStringLiteral("2"));
        QCOMPARE(frm_->cells().text(0), QString());
    }

    void levelWithoutTimesIsNotStarted()
    {
        ctx().criteria[2].minimumLineTime = 0;
        open(2);
        QCOMPARE(t_->dialogs.shown.size(), std::size_t(1));
        QVERIFY(t_->dialogs.shown[0].text.contains(QStringLiteral("先生を呼びなさい")));
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showStudentMenu")));
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeDrillWindow")));
        QVERIFY(records().empty());
    }

    // A classroom: every sound takes 1.2 s, the child types each row as soon
    // as the row before it is in, a tick can fall into any sound, and the
    // window manager may be asked to close the window. The run must come out
    // as if every key had waited for its sound.
    void classroomTiming_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<int>("recordedTime");  // -1: the time the window showed last
        QTest::newRow("rows typed through the sounds") << int(TypeAhead) << -1;
        QTest::newRow("Space twice after the last row") << int(SpaceTwiceAfterLastRow) << -1;
        QTest::newRow("limit reached inside a row's sound") << int(LimitInRowSound) << int(kNoTime);
        // The tick held back by that sound reads the clock when it runs, at 300.6 s.
        QTest::newRow("limit reached inside the last problem's sound") << int(LimitInLastSound) << 301;
        QTest::newRow("close request mid-run") << int(CloseRequest) << -1;
        QTest::newRow("close request during a sound") << int(CloseDuringSound) << -1;
    }
    void classroomTiming()
    {
        QFETCH(int, scenario);
        QFETCH(int, recordedTime);
        // Closed windows are deleted from the event loop, as the real
        // navigator's are: one deleted under a running handler shows up
        // under AddressSanitizer.
        QString shownTime;
        int closes = 0;
        bool onScreenToTheEnd = false;
        t_->navigator.onCloseDrill = [&] {
            ++closes;
            onScreenToTheEnd = frm_->isVisible();
            shownTime = label("sLabel10");
            frm_.release()->deleteLater();
        };
        open(1);
        QPointer<MainFrm> window(frm_.get());
        bool closeAccepted = false;
        auto key = [&](int k) {
            if (window)
                QTest::keyClick(window.data(), Qt::Key(k));
        };
        auto typeRow = [&](int divisor, int quotient) {
            for (QChar c : QString::number(divisor))
                QTest::keyClick(window.data(), c.toLatin1());
            key(Qt::Key_Right);
            for (QChar c : QString::number(quotient))
                QTest::keyClick(window.data(), c.toLatin1());
            key(Qt::Key_Space);
        };
        t_->sound.onPlay = [&](const QString& name) {
            if (!window)
                return;
            // The next row is already known to the child: typed at once.
            if (name == QStringLiteral("s2.wav"))
                typeRow(window->problem().expectedDivisor, window->problem().expectedQuotient);
            if (scenario == CloseDuringSound && name == QStringLiteral("s2.wav"))
                closeAccepted |= test::requestCloseFromWindowManager(window);
            if (scenario == SpaceTwiceAfterLastRow && name == QStringLiteral("s1.wav") && ctx().solvedCount == 9) {
                key(Qt::Key_Space);
                key(Qt::Key_Space);
            }
        };
        auto elapsedMs = [&] { return t_->clock.monotonicMs() - ctx().runStartTick; };
        if (scenario == LimitInRowSound)
            t_->clock.pass(299500 - elapsedMs());
        if (scenario == CloseRequest)
            closeAccepted |= test::requestCloseFromWindowManager(window);
        for (int problem = 0; window && problem < 12 && !ctx().runFinished && !ctx().runEnd; ++problem) {
            // The last problem's second row is judged from 299.4 s on: its
            // solved sound crosses the limit.
            if (scenario == LimitInLastSound && ctx().solvedCount == 9)
                t_->clock.pass(298200 - elapsedMs());
            typeRow(window->problem().expectedDivisor, window->problem().expectedQuotient);
            test::settle();
        }
        test::settle();

        QVERIFY(!closeAccepted);
        QCOMPARE(closes, 1);
        QVERIFY(onScreenToTheEnd);
        QVERIFY(!window);  // deleted once its handlers were done
        QVERIFY(!t_->sound.playedNames().contains(QStringLiteral("s4.wav")));  // no row judged wrong
        QCOMPARE(t_->navigator.calls.count(QStringLiteral("showEndOfDrill")), 1);
        const auto rec = records();
        QCOMPARE(int(rec.size()), 1);
        QCOMPARE(rec[0].time, recordedTime >= 0 ? recordedTime : shownTime.toInt());
        QCOMPARE(ctx().runTime, rec[0].time);
        if (recordedTime != int(kNoTime))
            QCOMPARE(ctx().solvedCount, 10);
    }

    void nextRunPosesADifferentFirstNumber()
    {
        open(1);
        const int last = frm_->problem().posedNumber;
        frm_.reset();
        for (int i = 0; i < 20; ++i) {
            ctx().previousNumber = last;
            open(1);
            QVERIFY(frm_->problem().posedNumber != last);
            frm_.reset();
        }
    }
};

QTEST_MAIN(TestMainFrm)
#include "test_mainfrm.moc"
