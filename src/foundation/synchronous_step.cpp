#include "synchronous_step.h"

#include <QApplication>
#include <QEvent>
#include <QInputEvent>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <deque>
#include <vector>

namespace soinsuu {

// The application-wide filter that keeps the rules of synchronous_step.h.
class StepGate final : public QObject {
public:
    static StepGate& instance()
    {
        static StepGate* gate = [] {
            auto* g = new StepGate;
            // Lives as long as the application: the filter goes with it.
            g->setParent(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(g);
            return g;
        }();
        return *gate;
    }

    int depth = 0;
    int sounds = 0;

    void stepClosed()
    {
        if (depth == 0 && !held_.empty())
            scheduleReplay();
    }

    void soundEnded()
    {
        if (sounds > 0)
            return;
        // The ticks a sound held back run at the next point where events
        // may run, not here inside the sound's caller.
        std::vector<QPointer<WindowTimer>> waiting;
        waiting.swap(pendingTimers_);
        for (const QPointer<WindowTimer>& t : waiting) {
            if (!t)
                continue;
            QMetaObject::invokeMethod(
                t.data(), [t] {
                    if (t && t->pending_)
                        t->due();
                },
                Qt::QueuedConnection);
        }
    }

    void holdTimer(WindowTimer* t)
    {
        const bool known = std::any_of(pendingTimers_.begin(), pendingTimers_.end(),
                                       [t](const QPointer<WindowTimer>& p) { return p == t; });
        if (!known)
            pendingTimers_.emplace_back(t);
    }

    int heldCount() const { return int(held_.size()); }

    void later(QObject* context, std::function<void()> work)
    {
        held_.push_back({context, nullptr, false, std::move(work)});
        if (depth == 0)
            scheduleReplay();
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (!receiver->isWidgetType() || (event != replaying_ && !isUserInput(event)))
            return false;
        if (isPartOfDelivery(receiver, event))
            return false;
        auto* widget = static_cast<QWidget*>(receiver);
        if (belongsToOpenedByStep(widget))
            return false;
        if (event != replaying_ && (depth > 0 || !held_.empty())) {
            hold(receiver, event);
            return true;
        }
        deliverAsStep(receiver, event);
        return true;
    }

private:
    struct Delivery {
        QObject* receiver;
        QEvent* event;
        bool fromUser;
    };
    // Held input, or work to do once no step is open (`event` empty).
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
        bool fromUser;
        std::function<void()> work;
    };

    static bool isUserInput(const QEvent* event)
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::InputMethod:
            return true;
        case QEvent::Close:
            // A close the program asks for itself is part of the step that
            // asks; the window manager's is user input.
            return event->spontaneous();
        default:
            return false;
        }
    }

    // Qt hands an input event that a widget ignored on to its parents: a
    // key as the same event, a pointer event as a copy with the same time
    // stamp. That is still the delivery under way, not new input.
    bool isPartOfDelivery(QObject* receiver, const QEvent* event) const
    {
        for (const Delivery& d : delivering_) {
            if (d.event == event)
                return true;
            if (d.receiver == receiver || d.event->type() != event->type() || !event->isPointerEvent())
                continue;
            if (static_cast<const QInputEvent*>(d.event)->timestamp() != static_cast<const QInputEvent*>(event)->timestamp())
                continue;
            if (static_cast<QWidget*>(receiver)->isAncestorOf(static_cast<QWidget*>(d.receiver)))
                return true;
        }
        return false;
    }

    // A message box, dialog or menu that a step opens takes its own input.
    static bool belongsToOpenedByStep(QWidget* widget)
    {
        const QWidget* top = widget->window();
        return top == QApplication::activeModalWidget() || top == QApplication::activePopupWidget();
    }

    void hold(QObject* receiver, QEvent* event)
    {
        held_.push_back({receiver, std::unique_ptr<QEvent>(event->clone()), event->spontaneous(), {}});
        if (event->type() == QEvent::Close)
            event->ignore();  // the window stays until its handler has been asked
        else
            event->accept();  // not handed on to the parents: held once
    }

    void deliverAsStep(QObject* receiver, QEvent* event)
    {
        // Sending an event again takes away its mark of coming from the
        // window system; the windows still need to know.
        const bool fromUser = event->spontaneous() || (event == replaying_ && replayingFromUser_);
        delivering_.push_back({receiver, event, fromUser});
        {
            SynchronousStep step;
            QCoreApplication::sendEvent(receiver, event);
        }
        delivering_.pop_back();
        // Delivered to the widget and its parents already: the caller must
        // not hand it on again. A close keeps the window's answer.
        if (event->type() != QEvent::Close)
            event->accept();
    }

    void scheduleReplay()
    {
        if (replayPosted_)
            return;
        replayPosted_ = true;
        QMetaObject::invokeMethod(this, [this] { replayNext(); }, Qt::QueuedConnection);
    }

    void replayNext()
    {
        replayPosted_ = false;
        if (depth > 0 || held_.empty())
            return;
        Held next = std::move(held_.front());
        held_.pop_front();
        if (next.receiver && !next.event) {
            SynchronousStep step;
            next.work();
        } else if (next.receiver && static_cast<QWidget*>(next.receiver.data())->isVisible()) {
            // A window the step closed or replaced takes no more input.
            replaying_ = next.event.get();
            replayingFromUser_ = next.fromUser;
            QCoreApplication::sendEvent(next.receiver.data(), next.event.get());
            replaying_ = nullptr;
        }
        if (depth == 0 && !held_.empty())
            scheduleReplay();
    }

    std::deque<Held> held_;
    std::vector<Delivery> delivering_;
    std::vector<QPointer<WindowTimer>> pendingTimers_;
    QEvent* replaying_ = nullptr;
    bool replayingFromUser_ = false;
    bool replayPosted_ = false;

public:
    bool deliveringFromUser(const QEvent* event) const
    {
        return std::any_of(delivering_.begin(), delivering_.end(),
                           [event](const Delivery& d) { return d.event == event && d.fromUser; });
    }
};

namespace {
// In place before the first window exists, whichever window that is.
void installGate() { StepGate::instance(); }
} // namespace
Q_COREAPP_STARTUP_FUNCTION(installGate)

SynchronousStep::SynchronousStep() { ++StepGate::instance().depth; }

SynchronousStep::~SynchronousStep()
{
    StepGate& gate = StepGate::instance();
    --gate.depth;
    gate.stepClosed();
}

bool SynchronousStep::open() { return StepGate::instance().depth > 0; }

void SynchronousStep::letPendingEventsRun()
{
    StepGate::instance();
    QCoreApplication::processEvents();
}

bool SynchronousStep::cameFromUser(const QEvent* event)
{
    return event->spontaneous() || StepGate::instance().deliveringFromUser(event);
}

void SynchronousStep::later(QObject* context, std::function<void()> work)
{
    StepGate::instance().later(context, std::move(work));
}

int SynchronousStep::heldInputCount() { return StepGate::instance().heldCount(); }

SoundPlaying::SoundPlaying() { ++StepGate::instance().sounds; }

SoundPlaying::~SoundPlaying()
{
    StepGate& gate = StepGate::instance();
    --gate.sounds;
    gate.soundEnded();
}

bool SoundPlaying::active() { return StepGate::instance().sounds > 0; }

WindowTimer::WindowTimer(Clock& clock, int intervalMs, bool singleShot, std::function<void()> onTimeout,
                         QObject* parent)
    : QObject(parent), timer_(clock.newTimer()), intervalMs_(intervalMs), singleShot_(singleShot),
      onTimeout_(std::move(onTimeout))
{
    StepGate::instance();
    timer_->due = [this] { due(); };
}

WindowTimer::~WindowTimer() = default;

void WindowTimer::start()
{
    pending_ = false;
    timer_->start(intervalMs_, singleShot_);
}

void WindowTimer::stop()
{
    pending_ = false;
    timer_->stop();
}

bool WindowTimer::isActive() const { return pending_ || timer_->isActive(); }

void WindowTimer::due()
{
    if (SoundPlaying::active()) {
        pending_ = true;
        StepGate::instance().holdTimer(this);
        return;
    }
    fire();
}

void WindowTimer::fire()
{
    pending_ = false;
    SynchronousStep step;
    if (onTimeout_)
        onTimeout_();
}

} // namespace soinsuu
