#include "fakes.h"

#include "foundation/catalogue.h"
#include "foundation/cp932.h"
#include "foundation/fonts.h"
#include "foundation/layout.h"
#include "foundation/roster.h"
#include "results/resultsfile.h"

#include <QCoreApplication>
#include <QPainter>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace soinsuu::test {

FakeClock::FakeClock(QDateTime start) : now_(std::move(start)) {}

void FakeClock::advance(std::int64_t ms)
{
    now_ = now_.addMSecs(ms);
    tick_ += ms;
}

void FakeClock::waitResponsive(int ms)
{
    ++waitsRequested;
    totalWaitedMs += ms;
    advance(ms);
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
    played << filePath;
    if (onPlay)
        onPlay(QFileInfo(filePath).fileName());
    bool ok = !failAlways && QFileInfo(filePath).fileName() != QStringLiteral(".wav");
    if (failuresToCome > 0) {
        --failuresToCome;
        ok = false;
    }
    lastError_ = ok ? QString() : QStringLiteral("再生できません");
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
    ctx->services.clock = &clock;
    ctx->services.random = &random;
    ctx->services.sound = &sound;
    ctx->services.dialogs = &dialogs;
    ctx->services.navigator = &navigator;
    ctx->services.printer = &printer;
}

namespace {

class RecordingJob final : public PrintJob {
public:
    RecordingJob(RecordingPrinter& printer, QString name) : printer_(printer), name_(std::move(name)) { startPage(); }
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
        printer_.jobs.push_back({name_, std::move(pages_)});
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
    QImage page_;
    QPainter painter_;
    std::vector<QImage> pages_;
};

} // namespace

std::unique_ptr<PrintJob> RecordingPrinter::begin(const QString& documentName, QString* error)
{
    if (!refuseWith.isEmpty()) {
        if (error)
            *error = refuseWith;
        return nullptr;
    }
    return std::make_unique<RecordingJob>(*this, documentName);
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

void writeCp932(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write fixture %s", qPrintable(path));
    f.write(cp932::encode(text));
}

} // namespace soinsuu::test
