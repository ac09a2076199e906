#include "hand_sign_art.h"

#include <QPainterPath>
#include <cmath>
#include <numbers>
#include <vector>

#include "sticker_painter.h"

namespace stimuli {
namespace {

// Hands are designed in a 100 x 100 box, y downwards, palm towards the viewer.
constexpr double kDesignSize = 100;
constexpr double kOutlinePx = 3.0;
const QColor kSkin(0xFF, 0xDC, 0xB4);
const QColor kOutline(0x3A, 0x1E, 0x0C);

// A straight finger from its root, tilted `angle_deg` from upright (positive
// leans right), `length` from root to tip centre.
QPainterPath Finger(QPointF root, double angle_deg, double length, double width) {
  const double a = angle_deg * std::numbers::pi / 180.0;
  return Capsule(root, root + QPointF(std::sin(a) * length, -std::cos(a) * length), width);
}

QPainterPath Palm(QRectF rect, double radius) {
  QPainterPath path;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

// Layers are painted back to front; each one gets its own outline, so a
// finger in front of the palm shows its edge.
using Layers = std::vector<std::vector<QPainterPath>>;

Layers RockLayers() {
  Layers layers;
  layers.push_back({Palm({16, 40, 70, 54}, 18)});
  // Four curled fingers side by side, knuckles standing out on top.
  for (double x : {26.0, 43.0, 60.0, 76.0}) layers.push_back({Capsule({x, 32}, {x, 57}, 18)});
  // Thumb folded across the front of the fingers.
  layers.push_back({Capsule({22, 76}, {62, 67}, 18)});
  return layers;
}

Layers ScissorsLayers() {
  Layers layers;
  // Index and middle finger spread in a V behind the palm's top edge.
  layers.push_back(
      {Finger({38, 60}, -20, 52, 15), Finger({58, 60}, 20, 52, 15), Palm({27, 50, 48, 44}, 16)});
  // Ring and little finger folded down onto the palm, the thumb across them.
  layers.push_back({Capsule({50, 66}, {69, 66}, 13), Capsule({50, 78}, {68, 78}, 12)});
  layers.push_back({Capsule({31, 87}, {52, 73}, 15)});
  return layers;
}

Layers PaperLayers() {
  Layers layers;
  // All five fingers straight and fanned wide, one silhouette with the palm;
  // the gaps between them stay open at stage size.
  layers.push_back({Palm({26, 48, 50, 46}, 17), Finger({35, 56}, -30, 42, 13),
                    Finger({47, 52}, -9, 46, 13), Finger({59, 53}, 12, 43, 13),
                    Finger({69, 60}, 34, 34, 11.5), Finger({31, 82}, -52, 33, 14)});
  return layers;
}

Layers LayersOf(HandSign sign) {
  switch (sign) {
    case HandSign::kRock:
      return RockLayers();
    case HandSign::kScissors:
      return ScissorsLayers();
    case HandSign::kPaper:
      return PaperLayers();
  }
  return {};
}

}  // namespace

void PaintHandSign(QPainter& painter, HandSign sign, QPointF centre, double size_px) {
  const double scale = size_px / kDesignSize;
  painter.save();
  painter.translate(centre);
  painter.scale(scale, scale);
  painter.translate(-kDesignSize / 2, -kDesignSize / 2);
  const StickerStyle style{kSkin, kOutline, kOutlinePx / scale};
  for (const auto& layer : LayersOf(sign)) PaintStickerLayer(painter, layer, style);
  painter.restore();
}

}  // namespace stimuli
