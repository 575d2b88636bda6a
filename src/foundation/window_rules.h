#pragma once
// Rules every window of the program keeps, each written once here.

#include <functional>

class QWidget;

namespace soinsuu {

// Return and Enter press the focused button of `window`, as they press a
// dialog's buttons: a push button outside a dialog does not take them
// itself. A key held down presses once. (Set up for every window that fills
// the screen by coverWholeScreen.)
void pressFocusedButtonOnReturn(QWidget* window);

// A close request from the window manager (Alt+F4, the title bar's ×) never
// closes a window by itself, so the classroom machine is never left without
// one: the window does `action` instead, what its own back or leave button
// does. The program's own close() calls are not requests and close as ever.
void treatCloseRequestsAs(QWidget* window, std::function<void()> action);

// The window stays whatever the window manager asks.
void refuseCloseRequests(QWidget* window);

} // namespace soinsuu
