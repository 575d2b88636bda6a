#pragma once
// Stand-ins for the outside world, shared by every test: a clock the test
// moves by hand, a scripted random source, a sound output that records what
// it was asked to play, message boxes answered in advance, a navigator
// that records which windows were asked for and a printer that keeps the
// pages it was given.

#include "foundation/runcontext.h"
#include "foundation/services.h"

#include <QDateTime>
#include <QImage>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace soinsuu::test {

// A clock the test moves. Its timers fall due as the clock passes their
// time and, like a window system's timers, are delivered from the event
// loop: when the test (or a wait, or a sound) lets events run.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
    ~FakeClock() override;
    QDateTime now() const override { return now_; }
    std::int64_t monotonicMs() const override { return tick_; }
    // Lets the time pass as the real wait does: events run every 10 ms.
    void waitResponsive(int ms) override;
    std::unique_ptr<ClockTimer> newTimer() override;
    // Moves both readings at once; timers that fall due are queued for the
    // event loop, a timer that fell due several times once.
    void advance(std::int64_t ms);
    // Time passing with the event loop running: 10 ms steps, events run
    // after each, as between a child's key presses.
    void pass(std::int64_t ms);
    void setNow(const QDateTime& t) { now_ = t; }
    int waitsRequested = 0;
    std::int64_t totalWaitedMs = 0;
    // Called after each wait, e.g. to let a test act "during" the wait.
    std::function<void()> onWait;

    struct Timers;

private:
    QDateTime now_;
    std::int64_t tick_ = 1'000'000;
    std::shared_ptr<Timers> timers_;
};

// Returns the queued values in order, then falls back to a simple generator.
class ScriptedRandom final : public RandomSource {
public:
    void seed(std::uint32_t s) override { seeds.push_back(s); fallback_ = s * 2654435761u + 1; }
    double next() override;
    std::deque<double> queue;
    std::vector<std::uint32_t> seeds;

private:
    std::uint64_t fallback_ = 12345;
};

// Plays as the real output does, on the fake clock: a clip takes its length
// (the time passes in 10 ms steps with events running, so timers fall due
// and keys typed meanwhile arrive), a failure returns at once.
class RecordingSound final : public SoundOutput {
public:
    FakeClock* clock = nullptr;  // set by TestContext
    int clipMs = 1200;           // an ordinary chime
    std::map<QString, int> clipMsByName;  // file name -> length, where it differs
    bool play(const QString& filePath) override;
    QString lastError() const override { return lastError_; }
    QStringList played;         // full paths, in order
    QStringList playedNames() const;  // file names only
    int failuresToCome = 0;     // the next n plays fail
    bool failAlways = false;
    // Called with the file name as each play starts, e.g. to type while the
    // sound is heard.
    std::function<void(const QString&)> onPlay;
    // Called with the file name when each play has ended.
    std::function<void(const QString&)> onPlayed;

private:
    QString lastError_;
};

class ScriptedDialogs final : public Dialogs {
public:
    void message(const QString& title, const QString& text, Icon icon) override;
    bool question(const QString& title, const QString& text) override;
    bool confirm(const QString& title, const QString& text) override;
    struct Shown { QString title; QString text; };
    std::vector<Shown> shown;
    // Answers to questions and confirmations in the order they are asked:
    // true is Yes or OK. No (or Cancel) when empty.
    std::deque<bool> answers;
};

// Pages come out as images, 100 pixels to the inch on A4 less 10 mm
// margins; each finished job is kept with its name.
class RecordingPrinter final : public Printer {
public:
    QString defaultPrinterName() const override { return defaultPrinter; }
    std::unique_ptr<PrintJob> begin(const QString& documentName, const PrintTarget& target, QString* error) override;
    struct Job {
        QString name;
        PrintTarget target;
        std::vector<QImage> pages;
    };
    std::vector<Job> jobs;
    QString defaultPrinter = QStringLiteral("教室のプリンタ");  // empty: no printer at all
    QString refuseWith;  // when set, no job starts and this is the reason
};

// The print path's dialogs, answered in advance: each question takes the
// next answer, in the order asked; with none left the teacher cancels.
class ScriptedPrintDialogs final : public PrintDialogs {
public:
    bool choosePrinter(const QString& title, PrintTarget* target) override;
    QString pdfFileName(const QString& title, const QString& suggested) override;
    // A printer's name to choose, or a PDF path (a target with no printer).
    std::deque<PrintTarget> printerAnswers;
    std::deque<QString> fileAnswers;  // an empty one cancels
    struct Asked {
        QString title;
        QString offered;  // the printer the dialog opened on, or the file name offered
    };
    std::vector<Asked> asked;
};

class FakeNavigator final : public Navigator {
public:
    void showNameSelection() override { calls << "showNameSelection"; }
    void closeNameSelection() override { calls << "closeNameSelection"; }
    void showStudentMenu() override { calls << "showStudentMenu"; if (onShowMenu) onShowMenu(); }
    void closeStudentMenu() override { calls << "closeStudentMenu"; }
    void showDrillWindow() override { calls << "showDrillWindow"; if (onShowDrill) onShowDrill(); }
    void closeDrillWindow() override { calls << "closeDrillWindow"; if (onCloseDrill) onCloseDrill(); }
    void showEndOfDrill() override { calls << "showEndOfDrill"; if (onShowEnd) onShowEnd(); }
    void showWaitWindow() override { calls << "showWaitWindow"; }
    void closeWaitWindow() override { calls << "closeWaitWindow"; }
    void showSharedFileWait(bool waiting) override { calls << (waiting ? "sharedFileWait" : "sharedFileWaitOver"); }
    void showVersionDialog(QWidget*) override { calls << "showVersionDialog"; }
    void showCriteriaEditor() override { calls << "showCriteriaEditor"; }
    void showRecordsMaintenance() override { calls << "showRecordsMaintenance"; }
    void endProgram(int exitCode) override { calls << "endProgram"; endedWith = exitCode; }
    QStringList calls;
    int endedWith = -1;
    std::function<void()> onShowDrill;
    std::function<void()> onCloseDrill;
    std::function<void()> onShowMenu;
    std::function<void()> onShowEnd;
};

// Lets the event loop run until input held back by a synchronous step has
// all been delivered, as it is once a child stops typing.
void settle();

// A close request as the window manager sends it (Alt+F4, the title bar's
// close button): true when the window accepted it.
bool requestCloseFromWindowManager(QWidget* window);

// A run context wired to the fakes above.
struct TestContext {
    TestContext();
    FakeClock clock;
    ScriptedRandom random;
    RecordingSound sound;
    ScriptedDialogs dialogs;
    FakeNavigator navigator;
    RecordingPrinter printer;
    ScriptedPrintDialogs printDialogs;
    std::unique_ptr<RunContext> ctx;
    RunContext& operator*() { return *ctx; }
    RunContext* operator->() { return ctx.get(); }
};

// Windows at their design size: the design fonts mapped, one design pixel
// to a screen pixel.
void useDesignScreen();

// Students 1..n of the listed roster, in order, with their names (padded
// as the roster file pads them) and birth years, in school year 2026.
void listStudents(RunContext& ctx, const std::vector<std::pair<QString, int>>& students);

// Readies a context for drill runs: data and sound folders in `folder`, the
// level table built, and one sound file "s<k>" in each category k.
void prepareForRuns(RunContext& ctx, const QString& folder);

// A fresh context ready for runs in `folder`, without the results file a
// test before it may have left there.
std::unique_ptr<TestContext> freshRunContext(const QString& folder);

// A school of two (髙橋　ひかり, number 12, and "先生", number 100) laid
// out under `root` as the installation has it: the path file, the common
// settings, the roster, the four levels' criteria and a sound list naming
// c1, c2, w, b and f. No sound files.
void writeSmallSchool(const QString& root);

// Writes a CP932 text file (creating folders), for fixtures.
void writeCp932(const QString& path, const QString& text);

} // namespace soinsuu::test
