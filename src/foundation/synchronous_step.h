#pragma once
// What may run while the program is in the middle of something.
//
// The program works like a classroom drill of old: a row is judged, a sound
// is played to its end, a run is recorded, all on the one user-interface
// thread, and now and then the step lets pending window events run so the
// screen keeps up. Children type ahead and mash keys while that happens. The
// rules, kept here and nowhere else:
//
//  - Every handler of user input (a key, a click, the wheel, a close request
//    from the window manager) and every window timer's handler is one
//    synchronous step; so is any other work a window declares as one.
//  - While a step is open, user input for the program's windows is held
//    back. When the last step closes, the held input is delivered from the
//    event loop, one event at a time, in the order it was typed; each of
//    those is a step of its own. Input for a message box or a menu opened by
//    the step itself goes straight through.
//  - Letting pending events run inside a step (`letPendingEventsRun`) runs
//    repaints and window timers that are due, never held input.
//  - While a sound plays, window timers are held back too: a tick that falls
//    into a sound runs at the next point where events may run, once.
//
// Windows are deleted from the event loop only (Qt's deferred delete), so a
// window closed by a step never disappears under a handler that is running.

#include "services.h"

#include <QObject>

class QEvent;
#include <functional>
#include <memory>

namespace soinsuu {

class SynchronousStep {
public:
    SynchronousStep();
    ~SynchronousStep();
    SynchronousStep(const SynchronousStep&) = delete;
    SynchronousStep& operator=(const SynchronousStep&) = delete;

    // True while any step is open.
    static bool open();
    // The "let pending window events run" of a step.
    static void letPendingEventsRun();
    // True for an event that the window system delivered: a key the child
    // pressed, a close the window manager asked for; false for one the
    // program sent itself (a window closed by the program).
    static bool cameFromUser(const QEvent* event);
    // Runs `work` as a step of its own from the event loop, once no step is
    // open and the input held before it has been delivered; not at all if
    // `context` is gone by then.
    static void later(QObject* context, std::function<void()> work);
    // Input waiting for the open steps to end (for tests and diagnostics).
    static int heldInputCount();
};

// Open while a sound is heard: a step that holds back window timers as well.
class SoundPlaying {
public:
    SoundPlaying();
    ~SoundPlaying();
    SoundPlaying(const SoundPlaying&) = delete;
    SoundPlaying& operator=(const SoundPlaying&) = delete;
    static bool active();

private:
    SynchronousStep step_;
};

// A window's timer on the program's clock. Its handler is a synchronous
// step and never runs while a sound plays; a tick held back by a sound is
// delivered once, afterwards (several missed ticks make one, as a window
// system's timer messages do).
class WindowTimer : public QObject {
    Q_OBJECT
public:
    WindowTimer(Clock& clock, int intervalMs, bool singleShot, std::function<void()> onTimeout,
                QObject* parent = nullptr);
    ~WindowTimer() override;

    void start();
    void stop();
    bool isActive() const;
    bool isSingleShot() const { return singleShot_; }
    int interval() const { return intervalMs_; }

private:
    friend class StepGate;
    void due();
    void fire();

    std::unique_ptr<ClockTimer> timer_;
    int intervalMs_;
    bool singleShot_;
    bool pending_ = false;
    std::function<void()> onTimeout_;
};

} // namespace soinsuu
