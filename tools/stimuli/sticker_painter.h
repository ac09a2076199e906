// Sticker-style drawing: shapes filled flat, with a dark outline (and an
// optional light halo) that grows outwards from the union of the shapes, so
// overlapping parts of one layer merge into one silhouette.
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
  QColor halo;               // drawn outside the outline when halo_width > 0
  double halo_width = 0;
};

// A thick line with round ends as a closed path.
QPainterPath Capsule(QPointF from, QPointF to, double width);

// Paints one layer: halo, outline, then fill, each over the union of `shapes`.
void PaintStickerLayer(QPainter& painter, const std::vector<QPainterPath>& shapes,
                       const StickerStyle& style);

}  // namespace stimuli
