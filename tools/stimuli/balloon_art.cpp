#include "balloon_art.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "hand_sign_art.h"

namespace stimuli {
namespace {

const QColor kRubberLight(0xFF, 0x7A, 0x7A);
const QColor kRubber(0xE8, 0x1E, 0x2C);
const QColor kRubberDark(0x9E, 0x0C, 0x18);
const QColor kRim(0x5C, 0x06, 0x0E);
const QColor kString(0x40, 0x40, 0x48);
const QColor kStringHalo(0xFF, 0xFF, 0xFF, 110);

// The hands lean left in their design box (thumbs out to the left), so their
// box sits a little right of the body's centre to look centred.
constexpr QPointF kHandCentre(68, 60);
constexpr double kHandSize_px = 92;

QPainterPath BodyOutline() {
  QPainterPath path(QPointF(64, 3));
  path.cubicTo(97, 3, 123, 25, 123, 55);
  path.cubicTo(123, 87, 93, 112, 64, 118);
  path.cubicTo(35, 112, 5, 87, 5, 55);
  path.cubicTo(5, 25, 31, 3, 64, 3);
  return path;
}

QPainterPath Knot() {
  QPainterPath path(QPointF(64, 115));
  path.lineTo(72, 127);
  path.quadTo(64, 124, 56, 127);
  path.closeSubpath();
  return path;
}

QPainterPath StringPath() {
  QPainterPath path(QPointF(64, 126));
  path.cubicTo(74, 139, 53, 153, 63, 172);
  return path;
}

void PaintString(QPainter& painter) {
  // A faint light edge keeps the dark string visible over dark clothes.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kStringHalo, 3.6, Qt::SolidLine, Qt::RoundCap));
  painter.drawPath(StringPath());
  painter.setPen(QPen(kString, 2.0, Qt::SolidLine, Qt::RoundCap));
  painter.drawPath(StringPath());
}

void PaintBody(QPainter& painter) {
  QRadialGradient shading(QPointF(46, 38), 92, QPointF(40, 30));
  shading.setColorAt(0.0, kRubberLight);
  shading.setColorAt(0.35, kRubber);
  shading.setColorAt(1.0, kRubberDark);
  painter.setPen(QPen(kRim, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(shading);
  painter.drawPath(Knot());
  painter.drawPath(BodyOutline());
}

void PaintHighlight(QPainter& painter) {
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 215));
  painter.translate(30, 30);
  painter.rotate(35);
  painter.drawEllipse(QPointF(0, 0), 7, 15);
  painter.restore();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 190));
  painter.drawEllipse(QPointF(27, 54), 3.5, 3.5);
}

}  // namespace

QImage PaintBalloon(int sign) {
  QImage image(kBalloonWidth, kBalloonHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintString(painter);
  PaintBody(painter);
  PaintHighlight(painter);
  if (sign >= 1 && sign <= 3) {
    PaintHandSign(painter, static_cast<HandSign>(sign), kHandCentre, kHandSize_px);
  }
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace stimuli
