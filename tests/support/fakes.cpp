#include "fakes.h"

#include <QFile>
#include <QTemporaryDir>

#include "foundation/catalogue.h"
#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "foundation/synchronous_step.h"
#include "results/resultsfile.h"

#include <QCloseEvent>
#include <QWindow>
#include <QWidget>
#include <QCoreApplication>
#include <QPainter>
#include <QtTest/qtestspontaneevent.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace soinsuu::test {

class FakeTimer;

struct FakeClock::Timers {
    std::vector<FakeTimer*> all;
};

class FakeTimer final : public ClockTimer {
public:
    FakeTimer(std::shared_ptr<FakeClock::Timers> registry, const FakeClock& clock)
        : registry_(std::move(registry)), clock_(clock), alive_(std::make_shared<bool>(true))
    {
        registry_->all.push_back(this);
    }
    ~FakeTimer() override
    {
        *alive_ = false;
        std::erase(registry_->all, this);
    }
    void start(int intervalMs, bool singleShot) override
    {
        interval_ = std::max(1, intervalMs);
        singleShot_ = singleShot;
        active_ = true;
        nextDue_ = clock_.monotonicMs() + interval_;
        ++generation_;
    }
    void stop() override
    {
        active_ = false;
        ++generation_;
    }
    bool isActive() const override { return active_; }

    void passedTo(std::int64_t tick)
    {
        if (!active_ || tick < nextDue_)
            return;
        nextDue_ += interval_ * ((tick - nextDue_) / interval_ + 1);
        if (queued_)
            return;
        queued_ = true;
        std::weak_ptr<bool> alive = alive_;
        const int generation = generation_;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [this, alive, generation] {
                if (alive.expired())
                    return;
                queued_ = false;
                // Stopped or started again since it fell due: that tick is gone.
                if (generation != generation_ || !active_)
                    return;
                if (singleShot_)
                    active_ = false;
                if (due)
                    due();
            },
            Qt::QueuedConnection);
    }

private:
    std::shared_ptr<FakeClock::Timers> registry_;
    const FakeClock& clock_;
    std::shared_ptr<bool> alive_;
    int interval_ = 1;
    bool singleShot_ = false;
    bool active_ = false;
    bool queued_ = false;
    int generation_ = 0;
    std::int64_t nextDue_ = 0;
};

FakeClock::FakeClock(QDateTime start) : now_(std::move(start)), timers_(std::make_shared<Timers>()) {}

FakeClock::~FakeClock() = default;

std::unique_ptr<ClockTimer> FakeClock::newTimer() { return std::make_unique<FakeTimer>(timers_, *this); }

void FakeClock::advance(std::int64_t ms)
{
    now_ = now_.addMSecs(ms);
    tick_ += ms;
    const std::vector<FakeTimer*> timers = timers_->all;
    for (FakeTimer* t : timers)
        t->passedTo(tick_);
}

void FakeClock::pass(std::int64_t ms)
{
    QCoreApplication::processEvents();
    for (std::int64_t done = 0; done < ms; done += 10) {
        advance(std::min<std::int64_t>(10, ms - done));
        QCoreApplication::processEvents();
    }
}

void FakeClock::waitResponsive(int ms)
{
    ++waitsRequested;
    totalWaitedMs += ms;
    pass(ms);
    if (onWait)
        onWait();
}

double ScriptedRandom::next()
{
    if (!queue.empty()) {
        const double v = queue.front();
        queue.pop_front();
        return v;
    }
    fallback_ = fallback_ * 6364136223846793005ull + 1442695040888963407ull;
    return double(fallback_ >> 11) * (1.0 / 9007199254740992.0);
}

bool RecordingSound::play(const QString& filePath)
{
    const QString name = QFileInfo(filePath).fileName();
    played << filePath;
    if (onPlay)
        onPlay(name);
    bool ok = !failAlways && name != QStringLiteral(".wav");
    if (failuresToCome > 0) {
        --failuresToCome;
        ok = false;
    }
    if (ok && clock) {
        const auto it = clipMsByName.find(name);
        clock->pass(it == clipMsByName.end() ? clipMs : it->second);
    }
    lastError_ = ok ? QString() : QStringLiteral("再生できません");
    if (onPlayed)
        onPlayed(name);
    return ok;
}

QStringList RecordingSound::playedNames() const
{
    QStringList names;
    for (const QString& p : played)
        names << QFileInfo(p).fileName();
    return names;
}

void ScriptedDialogs::message(const QString& title, const QString& text, Icon)
{
    shown.push_back({title, text});
}

bool ScriptedDialogs::confirm(const QString& title, const QString& text) { return question(title, text); }

bool ScriptedDialogs::question(const QString& title, const QString& text)
{
    shown.push_back({title, text});
    if (answers.empty())
        return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

TestContext::TestContext() : ctx(std::make_unique<RunContext>())
{
    // Runs a test could not record are queued in the user's data folder:
    // one of the test's own, never the account's.
    static QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
    QDir(dataHome.path() + QStringLiteral("/soinsuu")).removeRecursively();
    ctx->services.clock = &clock;
    sound.clock = &clock;
    ctx->services.random = &random;
    ctx->services.sound = &sound;
    ctx->services.dialogs = &dialogs;
    ctx->services.navigator = &navigator;
    ctx->services.printer = &printer;
    ctx->services.printDialogs = &printDialogs;
}

bool ScriptedPrintDialogs::choosePrinter(const QString& title, PrintTarget* target)
{
    asked.push_back({title, target->printerName});
    if (printerAnswers.empty())
        return false;
    *target = printerAnswers.front();
    printerAnswers.pop_front();
    return true;
}

QString ScriptedPrintDialogs::pdfFileName(const QString& title, const QString& suggested)
{
    asked.push_back({title, suggested});
    if (fileAnswers.empty())
        return QString();
    const QString answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

namespace {

class RecordingJob final : public PrintJob {
public:
    RecordingJob(RecordingPrinter& printer, QString name, PrintTarget target)
        : printer_(printer), name_(std::move(name)), target_(std::move(target))
    {
        startPage();
    }
    QPainter& painter() override { return painter_; }
    QSizeF pageSize() const override { return QSizeF(page_.size()); }
    int resolution() const override { return 100; }
    void newPage() override
    {
        painter_.end();
        pages_.push_back(page_);
        startPage();
    }
    bool finish(QString*) override
    {
        painter_.end();
        pages_.push_back(page_);
        printer_.jobs.push_back({name_, target_, std::move(pages_)});
        return true;
    }

private:
    void startPage()
    {
        page_ = QImage(748, 1090, QImage::Format_RGB32);  // A4 less margins at 100 dpi
        page_.setDotsPerMeterX(3937);
        page_.setDotsPerMeterY(3937);
        page_.fill(Qt::white);
        painter_.begin(&page_);
    }
    RecordingPrinter& printer_;
    QString name_;
    PrintTarget target_;
    QImage page_;
    QPainter painter_;
    std::vector<QImage> pages_;
};

} // namespace

std::unique_ptr<PrintJob> RecordingPrinter::begin(const QString& documentName, const PrintTarget& target,
                                                  QString* error)
{
    if (!refuseWith.isEmpty()) {
        if (error)
            *error = refuseWith;
        return nullptr;
    }
    return std::make_unique<RecordingJob>(*this, documentName, target);
}

void settle()
{
    for (int i = 0; i < 10000; ++i) {
        QCoreApplication::processEvents();
        if (SynchronousStep::heldInputCount() == 0 && !SynchronousStep::open())
            break;
    }
    QCoreApplication::processEvents();
}

bool requestCloseFromWindowManager(QWidget* window)
{
    // Delivered as the window system delivers it, the way Qt's test library
    // sends its own key and mouse events (sendEvent would take the mark away),
    // and to the native window where there is one: Qt then closes the widget
    // as on screen, and a close of it asked for meanwhile is lost as there.
    QCloseEvent close;
    QSpontaneKeyEvent::setSpontaneous(&close);
    if (QWindow* native = window->windowHandle())
        QCoreApplication::instance()->notify(native, &close);
    else
        QCoreApplication::instance()->notify(window, &close);
    return close.isAccepted();
}

void useDesignScreen()
{
    installFontSubstitutions();
    setScreenScale(1.0);
}

void listStudents(RunContext& ctx, const std::vector<std::pair<QString, int>>& students)
{
    int s = 0;
    for (const auto& [name, birthYear] : students) {
        ++s;
        ctx.rosterNumbers[std::size_t(s)] = std::int16_t(s);
        ctx.studentNames[std::size_t(s)] = padName(name);
        ctx.studentBirthYears[std::size_t(s)] = std::int16_t(birthYear);
    }
    ctx.rosterCount = s;
    ctx.schoolYear = 2026;
}

std::unique_ptr<TestContext> freshRunContext(const QString& folder)
{
    QFile::remove(folder + QStringLiteral("/") + kResultsFileName);
    auto t = std::make_unique<TestContext>();
    prepareForRuns(**t, folder);
    return t;
}

void prepareForRuns(RunContext& ctx, const QString& folder)
{
    ctx.programDataFolder = folder + QStringLiteral("/");
    ctx.soundFolder = folder + QStringLiteral("/");
    initCatalogueTitle(ctx);
    buildLevelTable(ctx);
    for (int k = 1; k <= 10; ++k) {
        ctx.soundTable[std::size_t(k)].files[1] = QStringLiteral("s%1").arg(k);
        ctx.soundTable[std::size_t(k)].count = QStringLiteral("1");
    }
}

void writeSmallSchool(const QString& root)
{
    writeCp932(root + QStringLiteral("パスデータ.txt"), QStringLiteral("\"%1\",0,0,0,0,0,0,0,0,0\r\n").arg(root));
    writeCp932(root + QStringLiteral("共通データ.txt"), QStringLiteral("4,\"12345Korvane塾\",0,0,0,0,0,0,0,0\r\n"));
    writeCp932(root + QStringLiteral("新名簿.txt"),
               QStringLiteral("12,2015,0,0,\"髙橋　ひかり\",0,\"\",\"\"\r\n100,1980,0,0,\"先生\",0,\"\",\"\"\r\n"));
    writeCp932(root + QStringLiteral("素因数分解/タイム回数データ.txt"),
               QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                              "40,60,60,5,1,8,0,7,1,,,\r\n60,90,60,5,1,8,0,7,1,,,\r\n"
                              "90,150,60,5,1,8,0,7,1,,,\r\n100,180,60,5,1,8,0,7,1,,,\r\n"));
    writeCp932(root + QStringLiteral("音フォルダ/新音ファイル.txt"),
               QStringLiteral("正解音1,c1,*\r\n正解音2,c2,*\r\n間違い音2,w,*\r\n自己最高音2,b,*\r\n不合格音1,f,*\r\n"));
}

void writeCp932(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write fixture %s", qPrintable(path));
    f.write(cp932::encode(text));
}

} // namespace soinsuu::test
