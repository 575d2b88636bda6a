// judge_row_ms: judging one row of the ladder and repainting the drill
// window, sounds aside, on the offscreen platform.

#include "benchfakes.h"
#include "benchutil.h"

#include "drill/mainfrm.h"
#include "foundation/catalogue.h"
#include "foundation/fonts.h"
#include "results/statistics.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>

using namespace soinsuu;

namespace {

struct Silent final : SoundOutput {
    bool play(const QString&) override { return true; }
    QString lastError() const override { return {}; }
};
struct NoWait final : Clock {
    SystemClock real;
    QDateTime now() const override { return real.now(); }
    std::int64_t monotonicMs() const override { return real.monotonicMs(); }
    void waitResponsive(int) override {}
    std::unique_ptr<ClockTimer> newTimer() override { return real.newTimer(); }
};

void key(QWidget* w, int k, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir dir;
    NoWait clock;
    StandardRandom random;
    Silent sound;
    bench::NoBoxes dialogs;
    bench::NoWindows navigator;
    auto ctx = std::make_unique<RunContext>();
    ctx->services = {&clock, &random, &sound, &dialogs, &navigator, nullptr};
    ctx->programDataFolder = dir.path() + QStringLiteral("/");
    initCatalogueTitle(*ctx);
    buildLevelTable(*ctx);
    for (int level = 1; level <= 4; ++level)
        ctx->criteria[std::size_t(level)] = LevelCriteria{60, 90, 30, 5, 1, 0, 0, 7, 1, {}, {}, {}};
    ctx->currentStudent = 1;
    ctx->selectedLevel = 4;

    std::vector<double> times;
    for (int run = 0; run < 20; ++run) {
        startDrillRun(*ctx);
        MainFrm frm(*ctx);
        frm.resize(1024, 768);
        frm.show();
        QApplication::processEvents();
        while (!ctx->runFinished) {
            for (QChar c : QString::number(frm.problem().expectedDivisor))
                key(&frm, Qt::Key_0 + (c.unicode() - u'0'), QString(c));
            key(&frm, Qt::Key_Right);
            for (QChar c : QString::number(frm.problem().expectedQuotient))
                key(&frm, Qt::Key_0 + (c.unicode() - u'0'), QString(c));
            times.push_back(bench::medianMs(1, [&] {
                key(&frm, Qt::Key_Space, QStringLiteral(" "));
                frm.repaint();
            }));
        }
    }
    std::sort(times.begin(), times.end());
    bench::report("judge_row_ms", times[times.size() / 2], "ms");
    return 0;
}
