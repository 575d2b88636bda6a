#include "window_rules.h"

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

} // namespace

void pressFocusedButtonOnReturn(QWidget* window) { new ReturnPressesFocusedButton(window); }

} // namespace soinsuu
