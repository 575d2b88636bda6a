#pragma once
// Window geometry is designed in twips on a 1024 x 768 screen (15 twips to
// the pixel) and scaled up evenly on larger screens.

#include <QPoint>
#include <QRect>

class QWidget;

namespace soinsuu {

// Factor from the 1024 x 768 design to the primary screen (1.0 at that size).
double screenScale();
// Overrides the factor (tests and benchmarks use 1.0).
void setScreenScale(double scale);

// Twips to device-independent pixels at the current scale.
int tw(double twips);
QRect twRect(double left, double top, double width, double height);

// Makes `window` fill the screen: it takes the window manager's full-screen
// state, so no desktop panel covers any part of it, and the screen's
// geometry as well, for a desktop without a window manager.
//
// The 1024 x 768 design keeps its proportions on a screen of other
// proportions: it stands on the returned design stage, a transparent child
// of design size kept centred in the window, and the window's own
// background shows beside it. Every widget made a child of the window from
// now on is moved onto the stage as it is made, so the twip geometry a
// window gives its controls is design geometry whichever parent it names.
//
// Return and Enter also press the window's focused button from now on
// (window_rules.h): every window that fills the screen is set up here.
QWidget* coverWholeScreen(QWidget* window);

// Where the design's top-left corner stands in a window that covers the
// screen ((0, 0) in any other widget). A window that draws in design
// coordinates itself moves its drawing by it.
QPoint designOrigin(const QWidget* window);

} // namespace soinsuu
