#pragma once
// Text colours for labels on the dark boxes drawn over the camera picture: a
// marker's colour, lightened as far as needed to be read on black.

#include <QColor>

// WCAG contrast ratio of `colour` against black (1 to 21).
double ContrastOnBlack(const QColor& colour);

// `marker` mixed with white just enough for a contrast of at least 4.5 on
// black; a colour already that light comes back unchanged.
QColor ReadableOnBlack(const QColor& marker);
