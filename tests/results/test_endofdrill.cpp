#include "results/frmsyuuryou.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "support/fakes.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

Q_DECLARE_METATYPE(QList<int>)

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
        frm_ = std::make_unique<FrmSyuuryou>(ctx());
        frm_->show();
    }

    QLabel* label(int n) { return frm_->findChild<QLabel*>(QStringLiteral("Label%1").arg(n)); }
    QWidget* widget(const char* name) { return frm_->findChild<QWidget*>(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        setScreenScale(1.0);
    }

    void init()
    {
        QFile::remove(dir_.filePath(kResultsFileName));
        t_ = std::make_unique<test::TestContext>();
        test::prepareForRuns(ctx(), dir_.path());
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
        QTest::addColumn<bool>("bannerShown");
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
        finishRun(level, runTime);

        QCOMPARE(label(20)->isVisible(), !message.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(label(20)->text(), message);
        QCOMPARE(t_->sound.playedNames(), sounds);
        QCOMPARE(widget("Picture1")->isVisible(), bannerShown);
        QCOMPARE(ctx().newPersonalBest, std::int16_t(0));
        QCOMPARE(ctx().newSchoolBest, std::int16_t(0));
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeWaitWindow")));
        // Neither button before the timer.
        QVERIFY(!widget("Command4")->isVisible());
        QVERIFY(!widget("Command5")->isVisible());
        frm_->onTimer();
        QVERIFY(!widget("Picture1")->isVisible());
        QVERIFY(widget("Command4")->isVisible());
        QCOMPARE(widget("Command5")->isVisible(), again);
        QCOMPARE(label(2)->isVisible(), !label2.isEmpty());
        if (!label2.isEmpty())
            QCOMPARE(label(2)->text(), label2);
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
        frm_->onTimer();
        QTest::mouseClick(static_cast<QPushButton*>(widget("Command4")), Qt::LeftButton);
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showStudentMenu")));
        QVERIFY(!frm_->isVisible());

        t_->navigator.calls.clear();
        frm_ = std::make_unique<FrmSyuuryou>(ctx());
        frm_->show();
        frm_->onTimer();
        ctx().runFinished = 1;
        QTest::mouseClick(static_cast<QPushButton*>(widget("Command5")), Qt::LeftButton);
        QVERIFY(!static_cast<QPushButton*>(widget("Command4"))->isEnabled());
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showWaitWindow")));
        QVERIFY(t_->navigator.calls.endsWith(QStringLiteral("showDrillWindow")));
        QCOMPARE(ctx().runFinished, std::int16_t(0));
    }
};

QTEST_MAIN(TestEndOfDrill)
#include "test_endofdrill.moc"
