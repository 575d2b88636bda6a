#pragma once
// Rules every window of the program keeps, each written once here.

class QWidget;

namespace soinsuu {

// Return and Enter press the focused button of `window`, as they press a
// dialog's buttons: a push button outside a dialog does not take them
// itself. A key held down presses once. (Set up for every window that fills
// the screen by coverWholeScreen.)
void pressFocusedButtonOnReturn(QWidget* window);

} // namespace soinsuu
