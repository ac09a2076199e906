#include "sticker_painter.h"

#include <QPainterPathStroker>
#include <QPen>

namespace stimuli {

QPainterPath Capsule(QPointF from, QPointF to, double width) {
  QPainterPath centre_line(from);
  centre_line.lineTo(to);
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setCapStyle(Qt::RoundCap);
  stroker.setJoinStyle(Qt::RoundJoin);
  return stroker.createStroke(centre_line).simplified();
}

namespace {

// Fills every shape grown by `grow` on each side; drawn shape by shape, the
// growth of neighbouring shapes merges without seams.
void PaintGrown(QPainter& painter, const std::vector<QPainterPath>& shapes, const QColor& colour,
                double grow) {
  QPen pen(colour, 2 * grow, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(grow > 0 ? pen : QPen(Qt::NoPen));
  painter.setBrush(colour);
  for (const QPainterPath& shape : shapes) painter.drawPath(shape);
}

}  // namespace

void PaintStickerLayer(QPainter& painter, const std::vector<QPainterPath>& shapes,
                       const StickerStyle& style) {
  painter.save();
  if (style.outline_width > 0) PaintGrown(painter, shapes, style.outline, style.outline_width);
  PaintGrown(painter, shapes, style.fill, 0);
  painter.restore();
}

}  // namespace stimuli
