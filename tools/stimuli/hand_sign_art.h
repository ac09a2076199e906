// The three janken hand signs as flat, thick-outlined hand silhouettes.
#pragma once

#include <QPainter>
#include <QPointF>

namespace stimuli {

// Same codes as the hand shapes of the body sensor and the signs on the balloons.
enum class HandSign { kRock = 1, kScissors = 2, kPaper = 3 };

// Paints `sign` centred on `centre`; the hand fills a square of `size_px`.
void PaintHandSign(QPainter& painter, HandSign sign, QPointF centre, double size_px);

}  // namespace stimuli
