// The balloon images: a shiny balloon with a knot and a string, plain or
// carrying a janken hand sign.
#pragma once

#include <QImage>

namespace stimuli {

// The balloon body fills the top 128 x 128 of the image, which the stage
// places on the balloon's 128 x 128 hit rectangle; the string hangs below.
constexpr int kBalloonWidth = 128;
constexpr int kBalloonHeight = 176;

// `sign` 0 is the plain balloon; 1 rock, 2 scissors, 3 paper.
QImage PaintBalloon(int sign);

}  // namespace stimuli
