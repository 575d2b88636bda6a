#pragma once
// Window geometry is designed in twips on a 1024 x 768 screen (15 twips to
// the pixel) and scaled up evenly on larger screens.

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

// Gives a window that covers the whole screen its geometry explicitly, so it
// looks right with or without a window manager.
void coverWholeScreen(QWidget* window);

} // namespace soinsuu
