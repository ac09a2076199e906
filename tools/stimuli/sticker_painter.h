// Sticker-style drawing: shapes filled flat, with a dark outline that grows
// outwards from the union of the shapes, so overlapping parts of one layer
// merge into one silhouette.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <vector>

namespace stimuli {

struct StickerStyle {
  QColor fill;
  QColor outline;
  double outline_width = 0;  // in the painter's current units, outside the shape
};

// A thick line with round ends as a closed path.
QPainterPath Capsule(QPointF from, QPointF to, double width);

// Paints one layer: the outline, then the fill, each over the union of `shapes`.
void PaintStickerLayer(QPainter& painter, const std::vector<QPainterPath>& shapes,
                       const StickerStyle& style);

}  // namespace stimuli
