// One drill as a classroom machine runs it: a real X server with a window
// manager and a desktop panel, the real sound output playing chimes of
// 1.2 s to a sound server, the real clock, and a child whose keys come
// through the X server (xdotool) without waiting for any sound. Alt+F4 is
// pressed on every window.

#include "app/appnavigator.h"
#include "app/startup.h"
#include "drill/ladder.h"
#include "drill/mainfrm.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/soundoutput.h"
#include "hub/launcher.h"
#include "hub/namesel.h"
#include "hub/seisekitime1.h"
#include "results/frmsyuuryou.h"
#include "results/resultsfile.h"
#include "support/fakes.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>


using namespace soinsuu;

namespace {

template <typename T>
T* shownWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && t->isVisible())
            return t;
    return nullptr;
}

// Keys through the X server, to whichever window has the focus.
void pressKeys(const QStringList& keys)
{
    QProcess::startDetached(QStringLiteral("xdotool"), QStringList{"key", "--delay", "40"} + keys);
}

// A chime of 1.2 s made by sox in the given format, as a school's sound
// folder from Windows holds them.
void writeChime(const QString& path, const QStringList& encoding, int rate)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), QStringList{"-n", "-r", QString::number(rate), "-c", "1"} + encoding
                                         + QStringList{path, "synth", "1.2", "sine", "880", "vol", "0.3", "fade", "0", "1.2", "0.3"});
    if (!sox.waitForFinished(10000) || sox.exitCode() != 0)
        qFatal("sox failed: %s", sox.readAllStandardError().constData());
}

// The real output, watched: what the end-of-drill window showed while
// each sound was heard.
class WatchedSound final : public SoundOutput {
public:
    bool play(const QString& path) override
    {
        const bool ok = real.play(path);
        ++plays;
        if (!ok)
            failures << QFileInfo(path).fileName() + QStringLiteral("：") + real.lastError();
        if (auto* end = shownWindow<FrmSyuuryou>()) {
            endSounds << QFileInfo(path).fileName();
            if (end->findChild<QPushButton*>(QStringLiteral("Command4"))->isVisible())
                buttonsDuringASound = true;
        }
        return ok;
    }
    QString lastError() const override { return real.lastError(); }
    QtSoundOutput real;
    QStringList endSounds;
    QStringList failures;
    int plays = 0;
    bool buttonsDuringASound = false;
};

// Reads what a window shows at the moment it is closed.
class AtClose final : public QObject {
public:
    AtClose(QWidget* window, std::function<void()> read) : QObject(window), read_(std::move(read))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Close)
            read_();
        return false;
    }

private:
    std::function<void()> read_;
};

} // namespace

class TestClassroom : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString root_ = dir_.path() + QStringLiteral("/");
    SystemClock clock_;
    StandardRandom random_;
    WatchedSound sound_;
    test::ScriptedDialogs dialogs_;
    test::RecordingPrinter printer_;
    test::ScriptedPrintDialogs printDialogs_;
    std::unique_ptr<RunContext> ctx_ = std::make_unique<RunContext>();
    std::unique_ptr<AppNavigator> navigator_ = std::make_unique<AppNavigator>(*ctx_);
    int launches_ = 0;

    QRect screen() const { return QGuiApplication::primaryScreen()->geometry(); }

    // The window once it is on screen, has the focus and has taken the
    // whole screen, the panel's edge included (or as it stands after 6 s).
    template <typename T>
    T* waitForWindow()
    {
        T* w = nullptr;
        for (int i = 0; i < 300; ++i) {
            w = shownWindow<T>();
            if (w && w->isActiveWindow() && w->geometry() == screen())
                break;
            QTest::qWait(20);
        }
        return w;
    }

    // Alt+F4 as the child presses it, answered by the window manager.
    void altF4()
    {
        pressKeys({QStringLiteral("alt+F4")});
        QTest::qWait(1200);
    }

private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        test::writeSmallSchool(root_);
        // Every file in another of the formats the Windows programs play, and
        // some named in another case than the sound list names them.
        const struct {
            const char* file;
            QStringList encoding;
            int rate;
        } chimes[] = {
            {"C1.WAV", {"-e", "ms-adpcm"}, 22050},
            {"c2.wav", {"-e", "ima-adpcm"}, 22050},
            {"w.wav", {"-e", "u-law"}, 8000},
            {"B.wav", {"-b", "32", "-e", "floating-point"}, 22050},
            {"f.wav", {"-e", "a-law"}, 8000},
            {"最高1.wav", {"-e", "gsm-full-rate"}, 8000},
            {"合格.WAV", {"-b", "24", "-e", "signed-integer"}, 44100},
        };
        for (const auto& c : chimes)
            writeChime(root_ + QStringLiteral("音フォルダ/") + QString::fromUtf8(c.file), c.encoding, c.rate);
        setProgramStarter([this](const QString&, const QStringList&, const QString&) {
            ++launches_;
            return true;
        });
        ctx_->services = Services{&clock_, &random_, &sound_, &dialogs_, navigator_.get(), &printer_, &printDialogs_};
        ctx_->seasonColour = QColor(192, 255, 192);
    }

    void aRunTypedWithoutWaiting()
    {
        QVERIFY(startUpAndHandOver(*ctx_, root_ + QStringLiteral("素因数分解")));
        auto* names = waitForWindow<namesel>();
        QVERIFY(names);
        QCOMPARE(names->geometry(), screen());
        QVERIFY(names->isActiveWindow());
        names->findChild<QListWidget*>(QStringLiteral("List1"))->setCurrentRow(1);
        pressKeys({QStringLiteral("1")});

        auto* menu = waitForWindow<seisekitime1>();
        QVERIFY(menu);
        QCOMPARE(menu->geometry(), screen());
        QVERIFY(menu->isActiveWindow());
        pressKeys({QStringLiteral("1")});

        QPointer<MainFrm> drill = waitForWindow<MainFrm>();
        QVERIFY(drill);
        QCOMPARE(drill->geometry(), screen());
        QVERIFY(drill->isActiveWindow());
        QString shownTime;
        new AtClose(drill, [&] { shownTime = drill->findChild<QLabel*>(QStringLiteral("sLabel10"))->text(); });
        for (int p = 0; p < 10 && drill; ++p) {
            if (p == 5) {
                altF4();
                QVERIFY(drill && drill->isVisible());
                QCOMPARE(ctx_->runEnd, std::int16_t(0));
            }
            // Every row of the problem in one go, Space twice more after
            // the last one of the run.
            QStringList keys;
            for (int n = drill->problem().posedNumber; n / smallestPrimeDivisor(n) != 1; n /= smallestPrimeDivisor(n)) {
                for (QChar c : QString::number(smallestPrimeDivisor(n)))
                    keys << QString(c);
                keys << QStringLiteral("Right");
                for (QChar c : QString::number(n / smallestPrimeDivisor(n)))
                    keys << QString(c);
                keys << QStringLiteral("space");
            }
            if (p == 9)
                keys << QStringLiteral("space") << QStringLiteral("space");
            pressKeys(keys);
            const int before = ctx_->solvedCount;
            for (int i = 0; i < 1000 && drill && ctx_->solvedCount == before && !ctx_->runFinished; ++i)
                QTest::qWait(20);
            QCOMPARE(ctx_->solvedCount, before + 1);
        }
        QCOMPARE(ctx_->runFinished, std::int16_t(1));
        QCOMPARE(ctx_->runEnd, std::int16_t(0));

        auto* end = waitForWindow<FrmSyuuryou>();
        QVERIFY(end);
        QCOMPARE(end->geometry(), screen());
        QVERIFY(end->isActiveWindow());
        auto* menuButton = end->findChild<QPushButton*>(QStringLiteral("Command4"));
        QTRY_VERIFY_WITH_TIMEOUT(menuButton->isVisible(), 10000);
        QVERIFY(!sound_.endSounds.isEmpty());
        QVERIFY(!sound_.buttonsDuringASound);
        NewestRecords n;
        QCOMPARE(readNewestRecords(resultsFilePath(*ctx_), 10, &n).status, FileStatus::Ok);
        QCOMPARE(int(n.records.size()), 1);
        QCOMPARE(QString::number(n.records[0].time), shownTime);
        QCOMPARE(end->findChild<QLabel*>(QStringLiteral("Label18"))->text(), QStringLiteral("今の成績：%1秒").arg(n.records[0].time));

        altF4();
        QVERIFY(end->isVisible());
        QTRY_VERIFY(menuButton->hasFocus());
        pressKeys({QStringLiteral("Return")});

        menu = waitForWindow<seisekitime1>();
        QVERIFY(menu);
        QCOMPARE(menu->geometry(), screen());
        QVERIFY(menu->isActiveWindow());
        altF4();  // as its "戻る(0)"
        names = waitForWindow<namesel>();
        QVERIFY(names);
        QCOMPARE(names->geometry(), screen());
        QVERIFY(names->isActiveWindow());
        altF4();  // as its "0": the launcher, then the end
        QTRY_COMPARE(launches_, 1);
        QVERIFY(navigator_->ending());
        QVERIFY(dialogs_.shown.empty());
        // Every sound of every format played, found whatever its name's case.
        QVERIFY(sound_.plays >= 21);
        QCOMPARE(sound_.failures, QStringList());
    }
};

QTEST_MAIN(TestClassroom)
#include "test_classroom.moc"
