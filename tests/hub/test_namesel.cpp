#include "hub/launcher.h"
#include "hub/namesel.h"
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

private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        setScreenScale(1.0);
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
        QVERIFY(t_->sound.played.isEmpty());
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
        QTest::newRow("launcher present") << true;
        QTest::newRow("only the name without .exe") << false;
    }
    void zeroStartsTheLauncher()
    {
        QFETCH(bool, exeThere);
        const QString folder = dir_.path() + QStringLiteral("/起動");
        QDir().mkpath(folder);
        QFile::remove(folder + QStringLiteral("/プログラムメニューc.exe"));
        if (exeThere)
            test::writeCp932(folder + QStringLiteral("/プログラムメニューc.exe"), QStringLiteral("x"));
        QTest::keyClick(list(), '0');
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
