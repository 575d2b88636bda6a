#include "runcontext.h"
#include "services.h"
#include "synchronous_step.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace soinsuu {

double Clock::secondsSinceMidnight() const
{
    const QTime t = now().time();
    return t.msecsSinceStartOfDay() / 1000.0;
}

QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }

std::int64_t SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::waitResponsive(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace {

class QtClockTimer final : public ClockTimer {
public:
    QtClockTimer()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (due)
                due();
        });
    }
    void start(int intervalMs, bool singleShot) override
    {
        timer_.setSingleShot(singleShot);
        timer_.start(intervalMs);
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<ClockTimer> SystemClock::newTimer() { return std::make_unique<QtClockTimer>(); }

StandardRandom::StandardRandom() : state_(0x9E3779B97F4A7C15ull) {}

void StandardRandom::seed(std::uint32_t s)
{
    state_ = 0x9E3779B97F4A7C15ull ^ (std::uint64_t(s) * 0xBF58476D1CE4E5B9ull);
}

double StandardRandom::next()
{
    // splitmix64: small, fast and well distributed for drawing from {0, 1, 2}.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return double(z >> 11) * (1.0 / 9007199254740992.0);
}

void fatalError(RunContext& ctx, const QString& title, const QString& text)
{
    ctx.dialogs().message(title, text, Dialogs::Icon::Critical);
    ctx.navigator().endProgram(1);
}

} // namespace soinsuu

namespace soinsuu {

void startDrillRun(RunContext& ctx)
{
    ctx.runFinished = 0;
    ctx.endStarted = 0;
    ctx.judging = 0;
    ctx.retryLock = 0;
    ctx.solvedCount = 0;
    ctx.runEnd = 0;
    SynchronousStep::letPendingEventsRun();
    ctx.navigator().showDrillWindow();
}

int minutesSinceNameConfirmed(const RunContext& ctx)
{
    double since = ctx.clock().secondsSinceMidnight() - ctx.nameConfirmTime;
    // The confirmation time is rounded to the nearest second, so it may lie
    // a moment ahead of the clock; a whole day behind means midnight passed.
    if (since < -43200)
        since += 86400;
    return std::max(0, int(since) / 60);
}

} // namespace soinsuu
