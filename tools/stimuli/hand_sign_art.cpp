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
constexpr double kHaloPx = 1.5;
const QColor kSkin(0xFF, 0xDC, 0xB4);
const QColor kOutline(0x3A, 0x1E, 0x0C);
const QColor kHalo(0xFF, 0xFF, 0xFF);

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
  // All five fingers straight and spread, one silhouette with the palm.
  layers.push_back({Palm({25, 46, 52, 48}, 17), Finger({36, 54}, -24, 44, 14),
                    Finger({48, 52}, -6, 48, 14), Finger({60, 53}, 13, 45, 14),
                    Finger({70, 60}, 33, 35, 12), Finger({32, 78}, -58, 32, 15)});
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
  const Layers layers = LayersOf(sign);
  // The light halo rings the whole hand once, behind every layer.
  std::vector<QPainterPath> all_shapes;
  for (const auto& layer : layers) all_shapes.insert(all_shapes.end(), layer.begin(), layer.end());
  PaintStickerLayer(painter, all_shapes,
                    {kHalo, kHalo, (kOutlinePx + kHaloPx) / scale, QColor(), 0});
  const StickerStyle style{kSkin, kOutline, kOutlinePx / scale, QColor(), 0};
  for (const auto& layer : layers) PaintStickerLayer(painter, layer, style);
  painter.restore();
}

}  // namespace stimuli
