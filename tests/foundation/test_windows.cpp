#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/synchronous_step.h"
#include "foundation/widgets.h"
#include "foundation/window_rules.h"
#include "foundation/windows.h"
#include "support/fakes.h"

#include <QDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <map>
#include <optional>

using namespace soinsuu;

namespace {

const QColor kBackground(30, 90, 150);
const QColor kDesignColour(250, 240, 200);

// A window of the program's kind, its own background colour filled in, as
// a screen of the given size would show it.
struct ScreenWindow {
    QWidget window;
    QWidget* stage;
    explicit ScreenWindow(QSize screen = QSize(1024, 768))
    {
        stage = coverWholeScreen(&window);
        fillBackground(&window, kBackground);
        // The test's screen, not the test machine's: the window manager's
        // full-screen state would hold the window to the latter.
        window.setWindowState(Qt::WindowNoState);
        window.resize(screen);
    }
};

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }

    void splashRunsStartUpFromItsTimer()
    {
        test::TestContext t;
        t.clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 30, 15)));
        int ran = 0;
        auto* splash = new Firstfrm(*t, [&] { ++ran; });
        splash->setAttribute(Qt::WA_DeleteOnClose, false);
        splash->begin();
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("令和8年 12月 09日（水）"));
        QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Just a moment, please."));
        QCOMPARE(t.random.seeds, std::vector<std::uint32_t>{8 * 3600 + 30 * 60 + 15});
        QCOMPARE(t->seasonColour, QColor(192, 255, 192));
        QVERIFY(splash->startUpTimer()->isSingleShot());
        QCOMPARE(splash->startUpTimer()->interval(), 100);
        t.clock.pass(90);
        QCOMPARE(ran, 0);
        t.clock.pass(10);
        QCOMPARE(ran, 1);
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->startUpTimer()->isActive());
        delete splash;
    }

    // The window takes the whole screen, in the window manager's full-screen
    // state so that no desktop panel covers it.
    void aWindowCoversTheWholeScreen()
    {
        QWidget window;
        coverWholeScreen(&window);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(window.windowState() & Qt::WindowFullScreen);
        QCOMPARE(window.geometry(), screen);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowState() & Qt::WindowFullScreen);
        QCOMPARE(window.geometry(), screen);
    }

    // The design keeps its proportions, centred; beside it the window's own
    // background shows.
    void theDesignStandsCentred_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("1024 x 768") << 1.0 << QSize(1024, 768) << QPoint(0, 0);
        QTest::newRow("wider") << 1.0 << QSize(1280, 768) << QPoint(128, 0);
        QTest::newRow("taller") << 1.0 << QSize(1024, 1024) << QPoint(0, 128);
        QTest::newRow("1920 x 1080, scaled up") << 1080 / 768.0 << QSize(1920, 1080) << QPoint(240, 0);
        // The top-left corner, with the title and the way out, stays in sight.
        QTest::newRow("smaller than the design") << 1.0 << QSize(800, 600) << QPoint(0, 0);
    }
    void theDesignStandsCentred()
    {
        QFETCH(double, scale);
        QFETCH(QSize, screen);
        QFETCH(QPoint, origin);
        setScreenScale(scale);
        ScreenWindow w(screen);
        auto* corner = new QLabel(&w.window);
        corner->setGeometry(twRect(0, 0, 1500, 1500));
        fillBackground(corner, kDesignColour);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QImage shot = w.window.grab().toImage();
        setScreenScale(1.0);

        QCOMPARE(w.window.size(), screen);
        QCOMPARE(w.stage->size(), QSize(int(std::lround(1024 * scale)), int(std::lround(768 * scale))));
        QCOMPARE(designOrigin(&w.window), origin);
        QCOMPARE(corner->mapTo(&w.window, QPoint(0, 0)), origin);
        QCOMPARE(shot.pixelColor(origin + QPoint(5, 5)), kDesignColour);
        if (origin.x() > 0) {
            QCOMPARE(shot.pixelColor(origin.x() / 2, screen.height() / 2), kBackground);
            QCOMPARE(shot.pixelColor(screen.width() - origin.x() / 2, screen.height() / 2), kBackground);
        }
        if (origin.y() > 0) {
            QCOMPARE(shot.pixelColor(screen.width() / 2, origin.y() / 2), kBackground);
            QCOMPARE(shot.pixelColor(screen.width() / 2, screen.height() - origin.y() / 2), kBackground);
        }
    }

    // Whenever and however a widget becomes a child of the window, its twip
    // geometry places it in the design.
    void newChildrenOfTheWindowStandInTheDesign_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("made with the window") << "before";
        QTest::newRow("made once the window is shown") << "after";
        QTest::newRow("handed to the window later") << "reparented";
    }
    void newChildrenOfTheWindowStandInTheDesign()
    {
        QFETCH(QString, when);
        ScreenWindow w(QSize(1280, 768));
        QWidget elsewhere;
        QLabel* child = nullptr;
        if (when == u"before")
            child = new QLabel(&w.window);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        if (when == u"after") {
            child = new QLabel(&w.window);
        } else if (when == u"reparented") {
            child = new QLabel(&elsewhere);
            child->setParent(&w.window);
        }
        child->setGeometry(twRect(1500, 3000, 1500, 750));
        child->show();
        QCOMPARE(child->window(), &w.window);
        QCOMPARE(w.window.findChild<QLabel*>(), child);
        QCOMPARE(child->mapTo(&w.window, QPoint(0, 0)), QPoint(128 + 100, 200));
    }

    // A dialog over the window is a window of its own, not part of the design.
    void aDialogOverTheWindowStaysAWindow()
    {
        ScreenWindow w(QSize(1280, 768));
        auto* dialog = new QDialog(&w.window);
        QVERIFY(dialog->isWindow());
        QCOMPARE(dialog->parentWidget(), &w.window);
    }

    // Return and Enter press the focused button, once per press, as in a
    // dialog; other keys and other controls keep theirs.
    void returnPressesTheFocusedButton_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("autoRepeat");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("clicks");
        const int none = Qt::NoModifier;
        QTest::newRow("Return") << int(Qt::Key_Return) << none << false << "button" << 1;
        QTest::newRow("Enter") << int(Qt::Key_Enter) << none << false << "button" << 1;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << "button" << 1;
        QTest::newRow("button on a panel") << int(Qt::Key_Return) << none << false << "panel button" << 1;
        QTest::newRow("button made once shown") << int(Qt::Key_Return) << none << false << "late button" << 1;
        QTest::newRow("Return held down") << int(Qt::Key_Return) << none << true << "button" << 0;
        QTest::newRow("Shift+Return") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << false << "button" << 0;
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Enter) << int(Qt::ControlModifier) << false << "button" << 0;
        QTest::newRow("Return in a text field") << int(Qt::Key_Return) << none << false << "field" << 0;
    }
    void returnPressesTheFocusedButton()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, autoRepeat);
        QFETCH(QString, focus);
        QFETCH(int, clicks);
        ScreenWindow w;
        auto* button = new QPushButton(QStringLiteral("ボタン"), &w.window);
        auto* panel = new QWidget(&w.window);
        auto* panelButton = new QPushButton(QStringLiteral("パネル"), panel);
        auto* field = new QLineEdit(&w.window);
        w.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        auto* late = new QPushButton(QStringLiteral("あと"), &w.window);
        late->show();
        int pressed = 0;
        for (QPushButton* b : {button, panelButton, late})
            QObject::connect(b, &QPushButton::clicked, b, [&pressed] { ++pressed; });
        const std::map<QString, QWidget*> targets{{QStringLiteral("button"), button},
                                                  {QStringLiteral("panel button"), panelButton},
                                                  {QStringLiteral("late button"), late},
                                                  {QStringLiteral("field"), field}};
        QWidget* target = targets.at(focus);
        target->setFocus();
        QCOMPARE(w.window.focusWidget(), target);

        const auto mods = Qt::KeyboardModifiers(modifiers);
        QKeyEvent press(QEvent::KeyPress, key, mods, QStringLiteral("\r"), autoRepeat);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, mods, QStringLiteral("\r"), autoRepeat);
        QApplication::sendEvent(target, &release);
        QCOMPARE(pressed, clicks);
    }

    // The window manager's close request: the splash and the wait window
    // stay; a window with a way out takes it, once the request has been
    // answered, as a step of its own after any step under way. The
    // program's own close() closes every one of them.
    void closeRequestsFromTheWindowManager_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("requests");
        QTest::addColumn<bool>("duringAStep");
        QTest::addColumn<bool>("stays");
        QTest::addColumn<int>("actions");
        QTest::newRow("splash") << "splash" << 1 << false << true << 0;
        QTest::newRow("wait window") << "wait" << 1 << false << true << 0;
        QTest::newRow("a way out that closes the window") << "leaves" << 1 << false << false << 1;
        QTest::newRow("asked twice before it could act") << "leaves" << 2 << false << false << 1;
        QTest::newRow("asked while a step is under way") << "leaves" << 1 << true << false << 1;
        QTest::newRow("a way out that keeps the window") << "stays" << 1 << false << true << 1;
    }
    void closeRequestsFromTheWindowManager()
    {
        QFETCH(QString, window);
        QFETCH(int, requests);
        QFETCH(bool, duringAStep);
        QFETCH(bool, stays);
        QFETCH(int, actions);
        test::TestContext t;
        int acted = 0;
        QPointer<QWidget> w;
        if (window == u"splash") {
            w = new Firstfrm(*t, [] {});
        } else if (window == u"wait") {
            w = new BASEFRM;
        } else {
            w = new QWidget;
            coverWholeScreen(w);
            // As the windows' back buttons do: the navigator closes the window.
            const bool leaves = window == u"leaves";
            treatCloseRequestsAs(w, [&acted, &w, leaves] {
                ++acted;
                if (leaves)
                    w->close();
            });
        }
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        {
            std::optional<SynchronousStep> step;
            if (duringAStep)
                step.emplace();
            for (int i = 0; i < requests; ++i)
                QVERIFY(!test::requestCloseFromWindowManager(w));
            if (duringAStep) {
                QCoreApplication::processEvents();
                QCOMPARE(acted, 0);
            }
        }
        QVERIFY(w && w->isVisible());
        test::settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(acted, actions);
        QCOMPARE(bool(w && w->isVisible()), stays);
        int expected = actions;
        // A window that stayed answers the next request as it did the first.
        if (stays && actions > 0) {
            QVERIFY(!test::requestCloseFromWindowManager(w));
            test::settle();
            QCOMPARE(acted, ++expected);
        }
        // The program's own close is no request.
        if (w) {
            QVERIFY(w->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!w);
        }
        QCOMPARE(acted, expected);
    }

    // The window manager keeps a full-screen window over the desktop's
    // panels, and in front of windows that merely stay on top, while it or
    // a dialog of its own has the focus: the wait window is a dialog of
    // whichever full-screen window is in front, through a hand-over too.
    void theWaitWindowBelongsToTheFullScreenWindowInFront()
    {
        QWidget drill;
        coverWholeScreen(&drill);
        drill.show();
        drill.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&drill));
        BASEFRM wait;
        wait.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wait));
        QCOMPARE(wait.windowType(), Qt::Dialog);
        QCOMPARE(wait.windowHandle()->transientParent(), drill.windowHandle());

        QWidget end;
        coverWholeScreen(&end);
        end.show();
        end.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&end));
        drill.close();
        QTRY_COMPARE(wait.windowHandle()->transientParent(), end.windowHandle());
        QVERIFY(wait.isVisible());
    }

    void versionDialog()
    {
        test::TestContext t;
        t->programTitle = QStringLiteral("素因数分解");
        frmver dialog(*t);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), QStringLiteral("素因数分解"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version1.0.0"));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("lblProductName"))->text(), QStringLiteral("Quorvel"));
        dialog.show();
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
    }

    void gothicKeepsDigitsHalfAKanjiWide()
    {
        // The ladder is laid out by character cells: with a proportional
        // fallback font the digits would drift out of their cells.
        const QFont font = designFont(kGothic, 60);
        const QFontMetrics fm(font);
        QVERIFY2(QFontInfo(font).family().contains(QStringLiteral("Mono")), qPrintable(QFontInfo(font).family()));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("1")), fm.horizontalAdvance(QStringLiteral("8")));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral(")")), fm.horizontalAdvance(QStringLiteral("8")));
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("素")), 2 * fm.horizontalAdvance(QStringLiteral("8")));
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
