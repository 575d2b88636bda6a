// The program's main job end to end, through the real windows and the real
// navigator: start-up, a name, the menu, a whole run, the end-of-drill
// window, the menu again, back to the names, and out to the launcher; and
// the teacher's way into the two data windows and back to the menu. Then
// what every window shares: the whole screen, Return on its focused
// button, and the window manager's close request.

#include "admin/frmdata.h"
#include "admin/frmtimedata.h"
#include "app/appnavigator.h"
#include "app/startup.h"
#include "drill/mainfrm.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "hub/launcher.h"
#include "hub/namesel.h"
#include "hub/seisekitime1.h"
#include "results/frmsyuuryou.h"
#include "support/fakes.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace soinsuu;

namespace {

template <typename T>
T* openWindow()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// A small school on disk and the real navigator over fake services.
struct School {
    QTemporaryDir dir;
    QString root = dir.path() + QStringLiteral("/");
    test::FakeClock clock;
    test::ScriptedRandom random;
    test::RecordingSound sound;
    test::ScriptedDialogs dialogs;
    test::RecordingPrinter printer;
    test::ScriptedPrintDialogs printDialogs;
    std::unique_ptr<RunContext> ctx = std::make_unique<RunContext>();
    std::unique_ptr<AppNavigator> navigator = std::make_unique<AppNavigator>(*ctx);
    std::vector<QStringList> launched;

    School()
    {
        test::writeSmallSchool(root);
        setProgramStarter([this](const QString& program, const QStringList& args, const QString&) {
            launched.push_back(QStringList{program} + args);
            return true;
        });
        sound.clock = &clock;
        ctx->services = Services{&clock, &random, &sound, &dialogs, navigator.get(), &printer, &printDialogs};
        ctx->seasonColour = QColor(192, 255, 192);
    }
    ~School()
    {
        navigator->endProgram(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// The program's window of that name on screen, if there is one.
QWidget* openWindowNamed(const QString& name)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

QStringList openWindowNames()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList names;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            names << w->objectName();
    return names;
}

// Answers every problem of the run right, after three seconds of thought each.
void solveEveryProblem(School& school, MainFrm* drill)
{
    for (int p = 0; p < 10; ++p) {
        school.clock.pass(3000);
        const int posed = drill->problem().posedNumber;
        while (drill->problem().posedNumber == posed && !school.ctx->runFinished) {
            QTest::keyClicks(drill, QString::number(drill->problem().expectedDivisor));
            QTest::keyClick(drill, Qt::Key_Right);
            QTest::keyClicks(drill, QString::number(drill->problem().expectedQuotient));
            QTest::keyClick(drill, Qt::Key_Space);
        }
    }
}

// Takes the school from start-up to the named window: the student's (line
// 1) way to the menu, the drill and the end of a run, the teacher's (line
// 2) to the data windows.
QWidget* reach(School& school, const QString& window)
{
    if (!startUpAndHandOver(*school.ctx, school.root + QStringLiteral("素因数分解")))
        return nullptr;
    auto* names = openWindow<namesel>();
    if (window == u"namesel")
        return names;
    const bool teacher = window == u"FrmTimeData" || window == u"FrmData";
    auto* list = names->findChild<QListWidget*>(QStringLiteral("List1"));
    list->setCurrentRow(teacher ? 2 : 1);
    QTest::keyClick(list, '1');
    auto* menu = openWindow<seisekitime1>();
    if (window == u"seisekitime1")
        return menu;
    if (teacher) {
        QTest::mouseClick(menu->findChild<QPushButton*>(QStringLiteral("Command8")), Qt::LeftButton);
        const QString door = window == u"FrmData" ? QStringLiteral("Command9") : QStringLiteral("Command10");
        QTest::mouseClick(menu->findChild<QPushButton*>(door), Qt::LeftButton);
        return openWindowNamed(window);
    }
    QTest::keyClick(menu, '1');
    auto* drill = openWindow<MainFrm>();
    if (window == u"MainFrm")
        return drill;
    solveEveryProblem(school, drill);
    QCoreApplication::processEvents();
    // The way on is offered half a second after the evaluation.
    school.clock.pass(500);
    return openWindow<FrmSyuuryou>();
}

QByteArray criteriaFileOf(const School& school)
{
    QFile f(school.root + QStringLiteral("素因数分解/タイム回数データ.txt"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWholeLoop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { test::useDesignScreen(); }

    void nameMenuDrillEndMenuNamesLauncher()
    {
        School school;
        RunContext* ctx = school.ctx.get();
        test::FakeClock& clock = school.clock;
        test::ScriptedDialogs& dialogs = school.dialogs;
        AppNavigator& navigator = *school.navigator;
        std::vector<QStringList>& launched = school.launched;
        QVERIFY(startUpAndHandOver(*ctx, school.root + QStringLiteral("素因数分解")));
        auto* names = openWindow<namesel>();
        QVERIFY(names);
        auto* list = names->findChild<QListWidget*>(QStringLiteral("List1"));
        QCOMPARE(list->count(), 3);
        list->setCurrentRow(1);
        QTest::keyClick(list, '1');

        auto* menu = openWindow<seisekitime1>();
        QVERIFY(menu);
        QVERIFY(!openWindow<namesel>());
        QCOMPARE(ctx->currentStudent, std::int16_t(12));
        QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("Label14_1"))->text(), QStringLiteral("-----"));
        QTest::keyClick(menu, '1');

        auto* drill = openWindow<MainFrm>();
        QVERIFY(drill);
        QVERIFY(!openWindow<seisekitime1>());
        solveEveryProblem(school, drill);
        // Three seconds of thought and two sounds of 1.2 s for each problem.
        QCOMPARE(ctx->runTime, 54);

        // The end-of-drill window evaluates once the event loop gets to it.
        QCoreApplication::processEvents();
        auto* end = openWindow<FrmSyuuryou>();
        QVERIFY(end);
        QVERIFY(!openWindow<MainFrm>());
        QCOMPARE(end->findChild<QLabel*>(QStringLiteral("Label18"))->text(), QStringLiteral("今の成績：54秒"));
        // The school's first run is also its best.
        QCOMPARE(end->findChild<QLabel*>(QStringLiteral("Label20"))->text(), QStringLiteral("！！！最高新記録！！！"));
        clock.pass(500);
        QTest::mouseClick(end->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);

        menu = openWindow<seisekitime1>();
        QVERIFY(menu);
        QVERIFY(!openWindow<FrmSyuuryou>());
        // 54 s against a target of 40 s: four points.
        QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("Label14_1"))->text(), QStringLiteral("1回/4点"));
        QCOMPARE(menu->findChild<QLabel*>(QStringLiteral("Label18"))->text(), QStringLiteral("本日総回数＝1回"));
        QTest::keyClick(menu, '0');

        names = openWindow<namesel>();
        QVERIFY(names);
        QVERIFY(!openWindow<seisekitime1>());
        QVERIFY(names->findChild<QListWidget*>(QStringLiteral("List1"))->item(1)->text().endsWith(QStringLiteral("   4/      4")));
        QTest::keyClick(names, '0');
        QCOMPARE(int(launched.size()), 1);
        QCOMPARE(launched[0].last(), QStringLiteral("001"));
        QVERIFY(launched[0].first().contains(QStringLiteral("/起動/プログラムメニューc")));
        QVERIFY(navigator.ending());
        QVERIFY(dialogs.shown.empty());
    }

    // The teacher's data panel opens each data window in the menu's place,
    // and each one's "戻る" brings the menu back.
    void teacherOpensTheDataWindowsAndComesBack()
    {
        School school;
        QVERIFY(startUpAndHandOver(*school.ctx, school.root + QStringLiteral("素因数分解")));
        auto* names = openWindow<namesel>();
        QVERIFY(names);
        auto* list = names->findChild<QListWidget*>(QStringLiteral("List1"));
        list->setCurrentRow(2);
        QTest::keyClick(list, '1');
        auto* menu = openWindow<seisekitime1>();
        QVERIFY(menu);
        QCOMPARE(school.ctx->currentStudent, std::int16_t(100));

        const std::pair<const char*, const char*> doors[] = {{"Command9", "FrmData"}, {"Command10", "FrmTimeData"}};
        for (const auto& [button, window] : doors) {
            QTest::mouseClick(menu->findChild<QPushButton*>(QStringLiteral("Command8")), Qt::LeftButton);
            QTest::mouseClick(menu->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
            QWidget* data = window == QByteArrayView("FrmData") ? static_cast<QWidget*>(openWindow<FrmData>())
                                                                 : static_cast<QWidget*>(openWindow<FrmTimeData>());
            QVERIFY2(data, window);
            QVERIFY(!openWindow<seisekitime1>());
            QTest::mouseClick(data->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
            menu = openWindow<seisekitime1>();
            QVERIFY(menu);
            QVERIFY(!openWindow<FrmData>() && !openWindow<FrmTimeData>());
        }
        QVERIFY(school.dialogs.shown.empty());
    }

    // Every window takes the whole screen; on a screen wider than 4:3 the
    // design stands centred with the window's own background beside it.
    void everyWindowFillsTheScreen_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QPoint>("designPosition");
        QTest::newRow("name window") << "namesel" << "Label1" << QPoint(40, 120);
        QTest::newRow("menu") << "seisekitime1" << "Command1" << QPoint(20, 700);
        QTest::newRow("drill") << "MainFrm" << "sPicture1" << QPoint(0, 0);
        QTest::newRow("end of drill") << "FrmSyuuryou" << "Label15" << QPoint(123, 27);
        QTest::newRow("criteria editor") << "FrmTimeData" << "Label5" << QPoint(20, 8);
        QTest::newRow("records") << "FrmData" << "Picture10" << QPoint(8, 8);
    }
    void everyWindowFillsTheScreen()
    {
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QPoint, designPosition);
        School school;
        QWidget* w = reach(school, window);
        QVERIFY(w);
        QVERIFY(w->windowState() & Qt::WindowFullScreen);
        QCOMPARE(w->geometry(), QGuiApplication::primaryScreen()->geometry());

        // A wide screen, as the window would be laid out on it.
        w->setWindowState(Qt::WindowNoState);
        w->resize(1280, 768);
        QCoreApplication::processEvents();
        const QImage shot = w->grab().toImage();
        const QPoint origin(128, 0);
        QCOMPARE(designOrigin(w), origin);
        QCOMPARE(w->findChild<QWidget*>(control)->mapTo(w, QPoint(0, 0)), origin + designPosition);
        const int y = 293;  // through the end-of-drill window's band
        const QColor beside = shot.pixelColor(64, y);
        QCOMPARE(shot.pixelColor(1280 - 64, y), beside);
        if (window == u"FrmSyuuryou") {
            // It paints its own sky across the window, and its band behind
            // the result moves with the design.
            QCOMPARE(shot.pixelColor(90, y), beside);
            QVERIFY(shot.pixelColor(origin.x() + 90, y) != beside);
        } else {
            QCOMPARE(beside, w->palette().color(QPalette::Window));
        }
    }

    // Return and Enter press the focused button of every window.
    void returnPressesTheFocusedButton_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("next");
        QTest::newRow("name window: O.K.") << "namesel" << "Command14" << int(Qt::Key_Return) << "seisekitime1";
        QTest::newRow("name window: program menu") << "namesel" << "Command7" << int(Qt::Key_Enter) << "launcher";
        QTest::newRow("menu: start") << "seisekitime1" << "Command4_1" << int(Qt::Key_Return) << "MainFrm";
        QTest::newRow("menu: back") << "seisekitime1" << "Command1" << int(Qt::Key_Enter) << "namesel";
        QTest::newRow("end of drill: to the menu") << "FrmSyuuryou" << "Command4" << int(Qt::Key_Return) << "seisekitime1";
        QTest::newRow("criteria editor: back") << "FrmTimeData" << "Command4" << int(Qt::Key_Return) << "seisekitime1";
        QTest::newRow("records: back") << "FrmData" << "Command4" << int(Qt::Key_Enter) << "seisekitime1";
    }
    void returnPressesTheFocusedButton()
    {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, next);
        School school;
        QWidget* w = reach(school, window);
        QVERIFY(w);
        if (window == u"namesel")
            w->findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(1);
        auto* b = w->findChild<QPushButton*>(button);
        QVERIFY(b && b->isVisible());
        b->setFocus();
        QCOMPARE(w->focusWidget(), b);
        QTest::keyClick(b, Qt::Key(key));
        test::settle();
        if (next == u"launcher") {
            QCOMPARE(int(school.launched.size()), 1);
            QVERIFY(school.navigator->ending());
        } else {
            QVERIFY2(openWindowNamed(next), qPrintable(openWindowNames().join(u' ')));
            QVERIFY(!openWindowNamed(window));
        }
    }

    // The window manager's close request does what the window's own way out
    // does, and never leaves the program without a window; the program's
    // own close of a window just closes it.
    void closingEachWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("byWindowManager");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("next");
        QTest::newRow("name window, by the window manager") << "namesel" << true << "" << "launcher";
        QTest::newRow("name window, by the program") << "namesel" << false << "" << "";
        QTest::newRow("menu, by the window manager") << "seisekitime1" << true << "" << "namesel";
        QTest::newRow("menu, by the program") << "seisekitime1" << false << "" << "";
        QTest::newRow("criteria editor, nothing changed") << "FrmTimeData" << true << "" << "seisekitime1";
        QTest::newRow("criteria editor, changes dropped") << "FrmTimeData" << true << "drop" << "seisekitime1";
        QTest::newRow("criteria editor, changes saved") << "FrmTimeData" << true << "save" << "seisekitime1";
        QTest::newRow("criteria editor, by the program") << "FrmTimeData" << false << "drop" << "";
        QTest::newRow("records, by the window manager") << "FrmData" << true << "" << "seisekitime1";
        QTest::newRow("records, by the program") << "FrmData" << false << "" << "";
    }
    void closingEachWindow()
    {
        QFETCH(QString, window);
        QFETCH(bool, byWindowManager);
        QFETCH(QString, change);
        QFETCH(QString, next);
        School school;
        QPointer<QWidget> w = reach(school, window);
        QVERIFY(w);
        const QByteArray criteria = criteriaFileOf(school);
        if (!change.isEmpty()) {
            auto* editor = w->findChild<QLineEdit*>(QStringLiteral("Gridinputtext"));
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("45"));
            school.dialogs.answers.push_back(change == u"save");
        }
        school.dialogs.shown.clear();

        if (byWindowManager)
            QVERIFY(!test::requestCloseFromWindowManager(w));
        else
            QVERIFY(w->close());
        test::settle();

        QVERIFY(!openWindowNamed(window));
        if (next == u"launcher") {
            QCOMPARE(int(school.launched.size()), 1);
            QVERIFY(school.navigator->ending());
        } else if (next.isEmpty()) {
            QCOMPARE(openWindowNames(), QStringList());
            QVERIFY(school.launched.empty());
        } else {
            QCOMPARE(openWindowNames(), QStringList{next});
        }
        // The editor asks what its own button asks, and keeps the answer.
        QCOMPARE(int(school.dialogs.shown.size()), byWindowManager && !change.isEmpty() ? 1 : 0);
        QCOMPARE(criteriaFileOf(school) != criteria, byWindowManager && change == u"save");
    }
};

QTEST_MAIN(TestWholeLoop)
#include "test_whole_loop.moc"
