#include "body/backends/sim/sim_painter.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "body/backends/sim/capsule_raster.h"
#include "body/sensor/color_conversion.h"

namespace {

constexpr float kWallZ_m = 3.5f;
constexpr uint32_t kShoeRgb = 0x282828;
constexpr uint32_t kEyeRgb = 0x181818;

// Writes colours into a YUY2 or BGRA picture, whole row spans at a time.
class Canvas {
 public:
  Canvas(uint8_t* pixels, int32_t width, int32_t height, ColorImageFormat format)
      : pixels_(pixels), width_(width), height_(height), format_(format) {}

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

  void Span(int32_t row, int32_t first, int32_t last, uint32_t rgb) {
    if (format_ == ColorImageFormat_Yuy2) {
      const YuvColor c = RgbToYuv(rgb);
      uint8_t* p = pixels_ + static_cast<size_t>(row) * width_ * 2;
      for (int32_t x = first; x <= last; ++x) p[2 * x] = c.y;
      for (int32_t pair = first / 2; pair <= last / 2; ++pair) {
        p[4 * pair + 1] = c.u;
        p[4 * pair + 3] = c.v;
      }
    } else {
      uint32_t* p = reinterpret_cast<uint32_t*>(pixels_ + static_cast<size_t>(row) * width_ * 4);
      std::fill(p + first, p + last + 1, 0xFF000000u | rgb);
    }
  }

  void Capsule(const ColorSpacePoint& a, const ColorSpacePoint& b, float radius, uint32_t rgb) {
    FillCapsule(a.X, a.Y, b.X, b.Y, radius, width_, height_,
                [&](int32_t row, int32_t first, int32_t last) { Span(row, first, last, rgb); });
  }
  void Disc(const ColorSpacePoint& c, float radius, uint32_t rgb) { Capsule(c, c, radius, rgb); }

 private:
  uint8_t* pixels_;
  int32_t width_, height_;
  ColorImageFormat format_;
};

uint32_t Shade(uint32_t rgb, float factor) {
  auto ch = [&](int shift) {
    const float v = static_cast<float>((rgb >> shift) & 0xFF) * factor;
    return static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f)) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

// The limbs of a child as strokes: joint pair, thickness (fraction of the
// height), which colour. Drawn in this order, so later strokes cover earlier.
enum Cloth { kShirt, kTrousers, kSkin, kShoe };
struct Stroke {
  JointType a, b;
  float radius;
  Cloth cloth;
};
constexpr Stroke kBodyStrokes[] = {
    {JointType_HipLeft, JointType_KneeLeft, 0.045f, kTrousers},
    {JointType_HipRight, JointType_KneeRight, 0.045f, kTrousers},
    {JointType_KneeLeft, JointType_AnkleLeft, 0.036f, kTrousers},
    {JointType_KneeRight, JointType_AnkleRight, 0.036f, kTrousers},
    {JointType_AnkleLeft, JointType_FootLeft, 0.028f, kShoe},
    {JointType_AnkleRight, JointType_FootRight, 0.028f, kShoe},
    {JointType_HipLeft, JointType_HipRight, 0.06f, kTrousers},
    {JointType_SpineBase, JointType_SpineShoulder, 0.085f, kShirt},
    {JointType_ShoulderLeft, JointType_ShoulderRight, 0.045f, kShirt},
    {JointType_Neck, JointType_Head, 0.03f, kSkin},
    {JointType_ShoulderLeft, JointType_ElbowLeft, 0.035f, kShirt},
    {JointType_ShoulderRight, JointType_ElbowRight, 0.035f, kShirt},
    {JointType_ElbowLeft, JointType_WristLeft, 0.027f, kSkin},
    {JointType_ElbowRight, JointType_WristRight, 0.027f, kSkin},
};

void PaintHand(Canvas& canvas, const PinholeCamera& cam, const ChildJoints& j, int side,
               HandState shape, float px_per_m, uint32_t skin) {
  const JointType hand = side ? JointType_HandRight : JointType_HandLeft;
  const JointType tip = side ? JointType_HandTipRight : JointType_HandTipLeft;
  const ColorSpacePoint c = cam.Project(j[hand]);
  const ColorSpacePoint t = cam.Project(j[tip]);
  switch (shape) {
    case HandState_Closed:  // a small round fist
      canvas.Disc(c, 0.032f * px_per_m, Shade(skin, 0.9f));
      break;
    case HandState_Lasso: {  // two fingers out
      canvas.Disc(c, 0.03f * px_per_m, skin);
      const ColorSpacePoint far{c.X + 1.6f * (t.X - c.X), c.Y + 1.6f * (t.Y - c.Y)};
      canvas.Capsule(c, far, 0.013f * px_per_m, Shade(skin, 0.95f));
      break;
    }
    case HandState_Open: {  // a flat open palm with spread fingers
      canvas.Disc(c, 0.04f * px_per_m, skin);
      for (int f = -2; f <= 2; ++f) {
        const float a = 0.35f * static_cast<float>(f);
        const float dx = t.X - c.X, dy = t.Y - c.Y;
        const ColorSpacePoint end{c.X + 1.5f * (dx * std::cos(a) - dy * std::sin(a)),
                                  c.Y + 1.5f * (dx * std::sin(a) + dy * std::cos(a))};
        canvas.Capsule(c, end, 0.009f * px_per_m, skin);
      }
      break;
    }
    default:
      canvas.Disc(c, 0.035f * px_per_m, skin);
  }
}

void PaintChild(Canvas& canvas, const PinholeCamera& cam, const SimChildLook& look) {
  const ChildJoints& j = look.joints;
  const float h = look.build.height_m;
  // Pixels per metre at the body's depth.
  const float px_per_m = cam.fx / std::max(0.3f, j[JointType_SpineMid].Z);
  const uint32_t colours[4] = {look.shirt_rgb, look.trousers_rgb, look.skin_rgb, kShoeRgb};
  for (const Stroke& s : kBodyStrokes)
    canvas.Capsule(cam.Project(j[s.a]), cam.Project(j[s.b]), s.radius * h * px_per_m,
                   colours[s.cloth]);
  for (int side = 0; side < 2; ++side)
    PaintHand(canvas, cam, j, side, look.hands[side], px_per_m * h / 1.1f, look.skin_rgb);

  // Head: hair behind, face in front, two eyes.
  const ColorSpacePoint head = cam.Project(j[JointType_Head]);
  const float r = 0.095f * h * px_per_m;
  canvas.Disc({head.X, head.Y - 0.12f * r}, r, look.hair_rgb);
  canvas.Disc({head.X, head.Y + 0.1f * r}, 0.88f * r, look.skin_rgb);
  canvas.Disc({head.X - 0.35f * r, head.Y}, 0.1f * r, kEyeRgb);
  canvas.Disc({head.X + 0.35f * r, head.Y}, 0.1f * r, kEyeRgb);
}

// Children farther away first, so nearer ones cover them.
std::vector<size_t> BackToFront(const std::vector<SimChildLook>& looks) {
  std::vector<size_t> order(looks.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return looks[a].joints[JointType_SpineMid].Z > looks[b].joints[JointType_SpineMid].Z;
  });
  return order;
}

}  // namespace

SimPainter::SimPainter(const PinholeCamera& colour_camera, ColorImageFormat format, float floor_y_m)
    : camera_(colour_camera), format_(format) {
  // The empty room: a wall with a window, a skirting board and a wooden floor.
  const int32_t bpp = format == ColorImageFormat_Yuy2 ? 2 : 4;
  room_.assign(static_cast<size_t>(kColorWidth) * kColorHeight * bpp, 0);
  Canvas canvas(room_.data(), kColorWidth, kColorHeight, format);
  const float wall_bottom = camera_.Project({0, floor_y_m, kWallZ_m}).Y;
  for (int32_t y = 0; y < kColorHeight; ++y) {
    const float fy = static_cast<float>(y);
    uint32_t rgb;
    if (fy < wall_bottom - 14) {
      rgb = Shade(0xE8E0CC, 0.85f + 0.15f * fy / wall_bottom);
    } else if (fy < wall_bottom) {
      rgb = 0xC8C0B0;
    } else {
      const float depth_cue = (fy - wall_bottom) / (kColorHeight - wall_bottom);
      rgb = Shade((y / 6) % 2 ? 0xB08050 : 0xA87848, 0.8f + 0.2f * depth_cue);
    }
    canvas.Span(y, 0, kColorWidth - 1, rgb);
  }
  for (int32_t y = 120; y < 420; ++y)
    canvas.Span(y, 1380, 1700, y < 130 || y > 410 ? 0xF0F0F0 : 0xA8D0F0);

  // The empty room's depth: the wall, and the floor in front of it.
  const PinholeCamera depth_cam = DepthCamera();
  room_depth_.assign(static_cast<size_t>(kDepthWidth) * kDepthHeight, 0);
  for (int32_t y = 0; y < kDepthHeight; ++y) {
    const float below_axis = (static_cast<float>(y) + 0.5f - depth_cam.cy) / depth_cam.fy;
    float z = kWallZ_m;
    if (below_axis > 0.0f) z = std::min(z, -floor_y_m / below_axis);
    std::fill_n(room_depth_.begin() + static_cast<size_t>(y) * kDepthWidth, kDepthWidth,
                static_cast<uint16_t>(z * 1000.0f));
  }
}

void SimPainter::PaintColour(const SimScene& scene, ColorFrameData* frame) const {
  frame->width = kColorWidth;
  frame->height = kColorHeight;
  frame->format = format_;
  frame->pixels.resize(room_.size());
  std::memcpy(frame->pixels.data(), room_.data(), room_.size());
  Canvas canvas(frame->pixels.data(), kColorWidth, kColorHeight, format_);
  const std::vector<SimChildLook>& looks = scene.looks();
  for (size_t i : BackToFront(looks)) PaintChild(canvas, camera_, looks[i]);
}

void SimPainter::PaintScreen(float brightness, ColorFrameData* frame) const {
  Canvas canvas(frame->pixels.data(), frame->width, frame->height, frame->format);
  const auto level = static_cast<uint32_t>(std::clamp(brightness, 0.0f, 1.0f) * 255.0f + 0.5f);
  const uint32_t grey = level << 16 | level << 8 | level;
  const auto margin = [](int32_t side) {
    return static_cast<int32_t>(static_cast<float>(side) * (1.0f - kScreenShare) / 2.0f);
  };
  const int32_t left = margin(frame->width), top = margin(frame->height);
  for (int32_t row = top; row < frame->height - top; ++row)
    canvas.Span(row, left, frame->width - left - 1, grey);
}

void SimPainter::PaintDepth(const SimScene& scene, DepthFrameData* depth,
                            BodyIndexFrameData* index) const {
  depth->width = index->width = kDepthWidth;
  depth->height = index->height = kDepthHeight;
  depth->depth_mm = room_depth_;
  index->body_index.assign(room_depth_.size(), kNoBodyIndex);
  const PinholeCamera cam = DepthCamera();
  const std::vector<SimChildLook>& looks = scene.looks();
  for (size_t i : BackToFront(looks)) {
    const SimChildLook& look = looks[i];
    if (!look.in_view) continue;
    const ChildJoints& j = look.joints;
    const float px_per_m = cam.fx / std::max(0.3f, j[JointType_SpineMid].Z);
    const uint16_t mm = static_cast<uint16_t>(j[JointType_SpineMid].Z * 1000.0f);
    auto fill = [&](int32_t row, int32_t first, int32_t last) {
      const size_t at = static_cast<size_t>(row) * kDepthWidth;
      std::fill(depth->depth_mm.begin() + at + first, depth->depth_mm.begin() + at + last + 1, mm);
      std::fill(index->body_index.begin() + at + first, index->body_index.begin() + at + last + 1,
                static_cast<uint8_t>(i));
    };
    for (const Stroke& s : kBodyStrokes) {
      const ColorSpacePoint a = cam.Project(j[s.a]), b = cam.Project(j[s.b]);
      FillCapsule(a.X, a.Y, b.X, b.Y, s.radius * look.build.height_m * px_per_m, kDepthWidth,
                  kDepthHeight, fill);
    }
    const ColorSpacePoint head = cam.Project(j[JointType_Head]);
    FillDisc(head.X, head.Y, 0.095f * look.build.height_m * px_per_m, kDepthWidth, kDepthHeight,
             fill);
  }
}
