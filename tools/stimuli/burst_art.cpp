#include "burst_art.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace stimuli {
namespace {

constexpr QPointF kCentre(64, 64);
const QColor kFlameOutline(0x8A, 0x1A, 0x00);
const QColor kFlameOuter(0xFF, 0x7A, 0x00);
const QColor kFlameInner(0xFF, 0xE0, 0x3C);
const QColor kShred(0xE8, 0x1E, 0x2C);
const QColor kShredRim(0x5C, 0x06, 0x0E);

// A star around the centre; spikes alternate between two lengths so the
// flash looks ragged rather than geometric.
QPolygonF Star(int spikes, double long_r, double short_r, double inner_r, double turn_deg) {
  QPolygonF star;
  for (int i = 0; i < 2 * spikes; ++i) {
    const double angle = (turn_deg + i * 180.0 / spikes) * std::numbers::pi / 180.0;
    const double r = i % 2 == 1 ? inner_r : (i % 4 == 0 ? long_r : short_r);
    star << kCentre + QPointF(std::cos(angle) * r, std::sin(angle) * r);
  }
  return star;
}

void PaintFlash(QPainter& painter) {
  painter.setPen(QPen(kFlameOutline, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QRadialGradient outer(kCentre, 62);
  outer.setColorAt(0.4, kFlameInner);
  outer.setColorAt(1.0, kFlameOuter);
  painter.setBrush(outer);
  painter.drawPolygon(Star(12, 61, 55, 33, -90));
  painter.setPen(Qt::NoPen);
  painter.setBrush(kFlameInner);
  painter.drawPolygon(Star(10, 36, 30, 20, -72));
  QRadialGradient core(kCentre, 17);
  core.setColorAt(0.0, Qt::white);
  core.setColorAt(0.6, QColor(255, 255, 255, 230));
  core.setColorAt(1.0, QColor(255, 255, 255, 0));
  painter.setBrush(core);
  painter.drawEllipse(kCentre, 17, 17);
}

// Small torn pieces of red rubber between the spikes.
void PaintShreds(QPainter& painter) {
  struct Shred {
    double angle_deg, radius, turn_deg;
  };
  constexpr Shred kShreds[] = {{-62, 46, 20}, {22, 50, -35},  {105, 47, 60}, {197, 49, -10},
                               {160, 34, 45}, {-128, 44, 80}, {60, 38, 10}};
  painter.setPen(QPen(kShredRim, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(kShred);
  for (const Shred& s : kShreds) {
    const double a = s.angle_deg * std::numbers::pi / 180.0;
    painter.save();
    painter.translate(kCentre + QPointF(std::cos(a) * s.radius, std::sin(a) * s.radius));
    painter.rotate(s.turn_deg);
    QPolygonF piece;
    piece << QPointF(-6, -3) << QPointF(1, -5) << QPointF(7, -1) << QPointF(3, 4) << QPointF(-5, 3);
    painter.drawPolygon(piece);
    painter.restore();
  }
}

}  // namespace

QImage PaintBurst() {
  QImage image(kBurstSize, kBurstSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintFlash(painter);
  PaintShreds(painter);
  painter.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace stimuli
