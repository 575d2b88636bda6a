#include "window_rules.h"

#include "synchronous_step.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace soinsuu {
namespace {

class ReturnPressesFocusedButton final : public QObject {
public:
    explicit ReturnPressesFocusedButton(QWidget* window) : QObject(window), window_(window)
    {
        window->installEventFilter(this);
    }

protected:
    // A key no control has taken is handed on to the window: that is where
    // a button's Return arrives.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isReturn(key))
            return false;
        auto* button = qobject_cast<QPushButton*>(window_->focusWidget());
        if (!button || !button->isVisible())
            return false;
        key->accept();
        // A key held down must not go on pressing the buttons of the windows
        // the first press opens.
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }

private:
    static bool isReturn(const QKeyEvent* key)
    {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        // As in a dialog: no modifier, or the keypad's own on its Enter.
        return (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    }

    QWidget* window_;
};

class CloseRequests final : public QObject {
public:
    CloseRequests(QWidget* window, std::function<void()> action)
        : QObject(window), window_(window), action_(std::move(action))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window_ || event->type() != QEvent::Close || !SynchronousStep::cameFromUser(event))
            return false;
        event->ignore();
        if (action_ && !pending_) {
            pending_ = true;
            actSoon();
        }
        return true;
    }

private:
    // The request arrives while Qt is closing the window, and a close of
    // this window asked for meanwhile (the navigator replacing it by the
    // window the action opens) would be lost. So the action runs later, from
    // the event loop, as a step of its own.
    void actSoon()
    {
        SynchronousStep::later(this, [this] {
            pending_ = false;
            // Closed by the program meanwhile: nothing left to leave.
            if (window_->isVisible())
                action_();
        });
    }

    QWidget* window_;
    std::function<void()> action_;
    bool pending_ = false;
};

} // namespace

void pressFocusedButtonOnReturn(QWidget* window) { new ReturnPressesFocusedButton(window); }

void treatCloseRequestsAs(QWidget* window, std::function<void()> action) { new CloseRequests(window, std::move(action)); }

void refuseCloseRequests(QWidget* window) { new CloseRequests(window, {}); }

} // namespace soinsuu
