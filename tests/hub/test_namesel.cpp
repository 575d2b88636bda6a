#include "hub/launcher.h"
#include "hub/namesel.h"
#include "hub/roster_list.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "support/fakes.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

class TestNamesel : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<test::TestContext> t_;
    std::unique_ptr<namesel> win_;
    struct Started {
        QString program;
        QStringList args;
        QString folder;
    };
    std::vector<Started> started_;

    RunContext& ctx() { return **t_; }
    QListWidget* list() { return win_->findChild<QListWidget*>(QStringLiteral("List1")); }
    QString chosen() { return win_->findChild<QLabel*>(QStringLiteral("Label1"))->text(); }
    bool menuOpened() { return t_->navigator.calls.contains(QStringLiteral("showStudentMenu")); }

    void doubleClick(int row)
    {
        // An item view takes a double-click only after the press it follows.
        const QPoint at = list()->visualItemRect(list()->item(row)).center();
        QTest::mousePress(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }

private Q_SLOTS:
    void initTestCase()
    {
        test::useDesignScreen();
        setProgramStarter([this](const QString& program, const QStringList& args, const QString& folder) {
            started_.push_back({program, args, folder});
            return true;
        });
    }

    void init()
    {
        started_.clear();
        t_ = std::make_unique<test::TestContext>();
        QDir().mkpath(dir_.path() + QStringLiteral("/素因数分解"));
        test::prepareForRuns(ctx(), dir_.path() + QStringLiteral("/素因数分解"));
        ctx().levelCount = 0;
        ctx().programFolder = dir_.path() + QStringLiteral("/素因数分解/");
        ctx().dataRoot = dir_.path() + QStringLiteral("/");
        ctx().schoolYearStartMonth = 4;
        ctx().seasonColour = QColor(192, 255, 192);
        test::writeCp932(ctx().dataRoot + QStringLiteral("新名簿.txt"),
                         QStringLiteral("12,2015,0,0,\"髙橋　ひかり\",0,,\r\n"      // 小5 in school year 2026
                                        "13,2013,0,0,\"佐藤　れん\",0,,\r\n"       // 中1
                                        "100,1980,0,0,\"先生\",0,,\r\n"));
        win_ = std::make_unique<namesel>(ctx());
        win_->show();
    }

    void cleanup() { win_.reset(); }

    void opensWithTheListAndNoName()
    {
        QCOMPARE(win_->windowTitle(), QStringLiteral("Lumora"));
        QCOMPARE(win_->findChild<QLabel*>(QStringLiteral("Label4"))->text(), QStringLiteral("素因数分解"));
        QCOMPARE(list()->count(), 4);
        QCOMPARE(list()->item(0)->text(), QStringLiteral("－－－－－－"));
        QVERIFY(list()->item(1)->text().startsWith(QStringLiteral("小5 髙橋　ひかり")));
        QCOMPARE(list()->currentRow(), 0);
        QCOMPARE(chosen(), QStringLiteral("名前を選びなさい"));
        QCOMPARE(win_->displayKind(), 1);
        QVERIFY(win_->findChild<QRadioButton*>(QStringLiteral("Option1_1"))->isChecked());
        QCOMPARE(ctx().gradeFilterText, QStringLiteral("全学年"));
        QVERIFY(!win_->findChild<QWidget*>(QStringLiteral("Picture5"))->isVisible());
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("closeStudentMenu")));
        QCOMPARE(win_->palette().color(QPalette::Window), QColor(192, 255, 192));
        QCOMPARE(win_->findChild<QWidget*>(QStringLiteral("Picture5"))->palette().color(QPalette::Window),
                 QColor(192, 255, 192));
        QCOMPARE(t_->random.seeds.size(), std::size_t(1));
    }

    // The widest line there can be (a pre-school tag under a count display,
    // three-digit counts) still fits a third of the list, so the three
    // columns never clip one another.
    void widestLineFitsAColumn()
    {
        const QString widest = displayedLine(rosterRawLine(2020, 0, QStringLiteral("あ"), 0, RosterFigures{999, 0, 99999, 0}, 1));
        QCOMPARE(widest, QStringLiteral("幼3 あ　　　　　　　999回/99999回"));
        QVERIFY(list()->fontMetrics().horizontalAdvance(widest) <= list()->gridSize().width());
        QVERIFY(3 * list()->gridSize().width() <= list()->viewport()->width());
    }

    // The chosen-name field takes the first ten characters of the line and
    // trims only half-width spaces: the fill of a short name stays.
    void choosingALine_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("number");
        QTest::newRow("six-character name") << 1 << "小5 髙橋　ひかり" << "12";
        QTest::newRow("five characters and fill") << 2 << "中1 佐藤　れん　" << "13";
        QTest::newRow("two characters and fill") << 3 << "大+ 先生　　　　" << "100";
    }
    void choosingALine()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, number);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(row)).center());
        QCOMPARE(list()->currentRow(), row);
        QCOMPARE(chosen(), text);
        QCOMPARE(win_->findChild<QLabel*>(QStringLiteral("Label2"))->text(), number);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(list()->item(0)).center());
        QCOMPARE(chosen(), QStringLiteral("名前を選びなさい"));
    }

    void doubleClicks()
    {
        // On the dashes: nothing is confirmed.
        doubleClick(0);
        QCOMPARE(chosen(), QStringLiteral("名前を選びなさい"));
        QVERIFY(!menuOpened());
        QVERIFY(t_->sound.played.isEmpty());
        // On a name: the text before "/" is shown and the name confirmed.
        doubleClick(2);
        QCOMPARE(chosen(), QStringLiteral("中1 佐藤　れん　  　"));
        QVERIFY(menuOpened());
        QCOMPARE(ctx().currentStudent, std::int16_t(13));
    }

    void enterOutsideTheListDoesNotConfirm()
    {
        list()->setCurrentRow(1);
        QTest::keyClick(win_->findChild<QComboBox*>(QStringLiteral("Combo1")), Qt::Key_Return);
        QVERIFY(!menuOpened());
        QCOMPARE(ctx().currentStudent, std::int16_t(0));
    }

    // A rebuild waits out a roster that cannot be read; what the student
    // does meanwhile belongs to the old list and must not confirm a name
    // from it, and a display option chosen then still takes effect.
    void choicesWhileTheListIsRebuilt()
    {
        const QString rosterPath = ctx().dataRoot + QStringLiteral("新名簿.txt");
        QFile::copy(rosterPath, rosterPath + QStringLiteral(".keep"));
        QFile::remove(rosterPath);
        bool acted = false;
        t_->clock.onWait = [&] {
            if (acted)
                return;
            acted = true;
            QFile::rename(rosterPath + QStringLiteral(".keep"), rosterPath);
            list()->setCurrentRow(1);
            QTest::keyClick(list(), '1');
            QTest::keyClick(list(), Qt::Key_Return);
            QTest::mouseClick(win_->findChild<QRadioButton*>(QStringLiteral("Option1_0")), Qt::LeftButton);
        };
        auto* grade = win_->findChild<QComboBox*>(QStringLiteral("Combo1"));
        grade->setCurrentIndex(0);
        emit grade->activated(0);
        QVERIFY(acted);
        QVERIFY(!menuOpened());
        QCOMPARE(ctx().currentStudent, std::int16_t(0));
        QVERIFY(t_->sound.played.isEmpty());
        QCOMPARE(win_->displayKind(), 0);
        QCOMPARE(list()->count(), 4);
        QVERIFY(list()->item(1)->text().endsWith(QStringLiteral("     /     　")));
        QCOMPARE(list()->currentRow(), 0);
        QCOMPARE(chosen(), QStringLiteral("名前を選びなさい"));
        // Once built, the window answers again.
        list()->setCurrentRow(1);
        QTest::keyClick(list(), '1');
        QCOMPARE(ctx().currentStudent, std::int16_t(12));
    }

    void oneWithoutANamePlaysTheErrorSound()
    {
        QTest::keyClick(list(), '1');
        QCOMPARE(t_->sound.playedNames(), QStringList{"s4.wav"});
        QVERIFY(!menuOpened());
        // A new grade choice resets the choice, and "1" errs again.
        list()->setCurrentRow(1);
        auto* grade = win_->findChild<QComboBox*>(QStringLiteral("Combo1"));
        grade->setCurrentIndex(5);  // 中１
        emit grade->activated(5);
        QCOMPARE(ctx().gradeFilterText, QStringLiteral("中１"));
        QCOMPARE(list()->count(), 2);
        QCOMPARE(chosen(), QStringLiteral("名前を選びなさい"));
        QTest::keyClick(win_.get(), '1');
        QCOMPARE(t_->sound.playedNames().size(), 2);
        QVERIFY(!menuOpened());
    }

    void confirmByKey_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("1 in the list") << "1";
        QTest::newRow("1 with the grade box focused") << "combo";
        QTest::newRow("Enter in the list") << "enter";
        QTest::newRow("space in the list") << "space";
        QTest::newRow("O.K. button") << "button";
        QTest::newRow("double-click") << "double";
    }
    void confirmByKey()
    {
        QFETCH(QString, how);
        t_->clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(9, 30, 0, 600)));
        list()->setCurrentRow(1);
        QCOMPARE(chosen(), QStringLiteral("小5 髙橋　ひかり"));
        if (how == u"1")
            QTest::keyClick(list(), '1');
        else if (how == u"combo")
            QTest::keyClick(win_->findChild<QComboBox*>(QStringLiteral("Combo1")), '1');
        else if (how == u"enter")
            QTest::keyClick(list(), Qt::Key_Return);
        else if (how == u"space")
            QTest::keyClick(list(), Qt::Key_Space);
        else if (how == u"button")
            QTest::mouseClick(win_->findChild<QPushButton*>(QStringLiteral("Command14")), Qt::LeftButton);
        else
            emit list()->itemDoubleClicked(list()->item(1));
        QVERIFY(menuOpened());
        QCOMPARE(ctx().currentStudent, std::int16_t(12));
        QCOMPARE(ctx().studentName, QStringLiteral("髙橋　ひかり              "));
        QCOMPARE(ctx().gradeLabel, QStringLiteral("小５"));
        QCOMPARE(ctx().nameConfirmTime, 9 * 3600 + 30 * 60 + 1);
        QCOMPARE(ctx().levelCount, std::int16_t(4));
        QVERIFY(!win_->findChild<QPushButton*>(QStringLiteral("Command14"))->isVisible());
        QVERIFY(win_->findChild<QWidget*>(QStringLiteral("Picture5"))->isVisible());
        QVERIFY(t_->sound.played.isEmpty());
        // The button is gone: a second "1" confirms nothing more.
        QTest::keyClick(win_.get(), '1');
        QCOMPARE(t_->navigator.calls.count(QStringLiteral("showStudentMenu")), 1);
    }

    void displayOptionRebuilds()
    {
        list()->setCurrentRow(2);
        QTest::mouseClick(win_->findChild<QRadioButton*>(QStringLiteral("Option1_0")), Qt::LeftButton);
        QCOMPARE(win_->displayKind(), 0);
        QCOMPARE(list()->currentRow(), 0);
        QVERIFY(list()->item(1)->text().endsWith(QStringLiteral("     /     　")));
    }

    void zeroStartsTheLauncher_data()
    {
        QTest::addColumn<bool>("exeThere");
        QTest::addColumn<QString>("focus");
        QTest::newRow("launcher present") << true << "List1";
        QTest::newRow("only the name without .exe") << false << "List1";
        QTest::newRow("typed in the grade box") << true << "Combo1";
    }
    void zeroStartsTheLauncher()
    {
        QFETCH(bool, exeThere);
        QFETCH(QString, focus);
        const QString folder = dir_.path() + QStringLiteral("/起動");
        QDir().mkpath(folder);
        QFile::remove(folder + QStringLiteral("/プログラムメニューc.exe"));
        if (exeThere)
            test::writeCp932(folder + QStringLiteral("/プログラムメニューc.exe"), QStringLiteral("x"));
        QTest::keyClick(win_->findChild<QWidget*>(focus), '0');
        QCOMPARE(int(started_.size()), 1);
        QCOMPARE(started_[0].program, folder + (exeThere ? QStringLiteral("/プログラムメニューc.exe") : QStringLiteral("/プログラムメニューc")));
        QCOMPARE(started_[0].args, QStringList{"001"});
        QCOMPARE(started_[0].folder, folder);
        QCOMPARE(t_->navigator.endedWith, 0);
    }

    void titleOpensTheVersionDialog()
    {
        QTest::mouseClick(win_->findChild<QLabel*>(QStringLiteral("Label4")), Qt::LeftButton);
        QVERIFY(t_->navigator.calls.contains(QStringLiteral("showVersionDialog")));
    }
};

QTEST_MAIN(TestNamesel)
#include "test_namesel.moc"
