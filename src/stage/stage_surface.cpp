#include "stage/stage_surface.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "stage/latch_rules.h"

namespace {

// Locks a texture for the length of one pixel operation unless the caller
// already holds a lock on it; a lock taken here is given back on scope exit.
class TemporaryLock {
 public:
  TemporaryLock(StageSurface& stage, int index) : stage_(stage), index_(index) {
    if (!stage.IsValidIndex(index)) return;
    if (stage.LockOf(index) != nullptr) {
      locked_ = true;
      return;
    }
    locked_ = stage.LockTexture(index);
    taken_here_ = locked_;
  }
  ~TemporaryLock() {
    if (taken_here_) stage_.UnlockTexture(index_);
  }
  TemporaryLock(const TemporaryLock&) = delete;
  TemporaryLock& operator=(const TemporaryLock&) = delete;

  bool locked() const { return locked_; }
  const TextureLockRecord& record() const { return *stage_.LockOf(index_); }

 private:
  StageSurface& stage_;
  int index_;
  bool locked_ = false;
  bool taken_here_ = false;
};

uint32_t* RowOf(const TextureLockRecord& lock, int32_t y) {
  return reinterpret_cast<uint32_t*>(lock.bits + static_cast<ptrdiff_t>(y) * lock.pitch);
}

// Double to int32 truncating toward zero, saturating instead of overflowing.
int32_t TruncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(std::trunc(v), kMin, kMax));
}

}  // namespace

StageSurface::StageSurface() = default;
StageSurface::~StageSurface() = default;

int StageSurface::AppendTexture(TextureEntry entry) {
  m_textures.push_back(std::move(entry));
  const int index = m_textureCount;
  if (!OnTextureCreated(index)) {
    m_textures.pop_back();
    return -1;
  }
  ++m_textureCount;
  return index;
}

int StageSurface::AddTexture(int32_t width, int32_t height, int32_t format) {
  if (width <= 0 || height <= 0) return -1;
  TextureEntry entry;
  entry.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  entry.width = width;
  entry.height = height;
  entry.format = format;
  return AppendTexture(std::move(entry));
}

int StageSurface::LoadTexture(const std::string& path) {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> argb;
  if (!DecodeImage(path, width, height, argb)) return -1;
  if (width <= 0 || height <= 0 ||
      argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
    return -1;
  }
  TextureEntry entry;
  entry.pixels = std::move(argb);
  entry.width = width;
  entry.height = height;
  entry.format = D3DFMT_A8R8G8B8;
  return AppendTexture(std::move(entry));
}

bool StageSurface::ReleaseTextures() {
  for (auto& entry : m_textures) entry.lock.reset();
  OnTexturesReleased();
  m_textures.clear();
  m_textureCount = 0;
  return true;
}

bool StageSurface::LockTexture(int index) {
  if (!IsValidIndex(index)) return false;
  TextureEntry& entry = m_textures[index];
  // A second lock of a locked texture keeps the first one: same buffer, same pitch.
  if (entry.lock) return true;
  entry.lock = std::make_unique<TextureLockRecord>();
  entry.lock->pitch = entry.width * 4;
  entry.lock->bits = reinterpret_cast<uint8_t*>(entry.pixels.data());
  return true;
}

bool StageSurface::UnlockTexture(int index) {
  if (!IsValidIndex(index)) return true;
  TextureEntry& entry = m_textures[index];
  if (entry.lock) {
    entry.lock.reset();
    OnTextureUnlocked(index);
  }
  return true;
}

const TextureLockRecord* StageSurface::LockOf(int index) const {
  if (!IsValidIndex(index)) return nullptr;
  return m_textures[index].lock.get();
}

void StageSurface::ClearTexture(int index) {
  TemporaryLock lock(*this, index);
  if (!lock.locked()) return;
  const TextureEntry& entry = m_textures[index];
  for (int32_t y = 0; y < entry.height; ++y) {
    std::fill_n(RowOf(lock.record(), y), entry.width, 0u);
  }
}

void StageSurface::DrawLine(int index, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                            uint32_t value) {
  TemporaryLock lock(*this, index);
  if (!lock.locked()) return;
  const TextureEntry& entry = m_textures[index];
  const TextureLockRecord& record = lock.record();

  // The walk: dx, dy are pixel counts; along the longer (major) axis each step
  // adds the shorter count to an error term and moves one pixel sideways when it
  // passes the longer count; end points are ordered along the major axis. After
  // k steps the sideways move is (k * minor - 1) / major (integer division), so
  // each point is computed directly and only the steps that land on the texture
  // are visited, however far away the end points lie.
  const int64_t dx = std::llabs(int64_t{x1} - x0) + 1;
  const int64_t dy = std::llabs(int64_t{y1} - y0) + 1;
  const bool x_major = dx > dy;
  int64_t a0 = x_major ? x0 : y0, a1 = x_major ? x1 : y1;  // major axis
  int64_t b0 = x_major ? y0 : x0, b1 = x_major ? y1 : x1;  // minor axis
  const int64_t major = x_major ? dx : dy;
  const int64_t minor = x_major ? dy : dx;
  const int64_t major_size = x_major ? entry.width : entry.height;
  const int64_t minor_size = x_major ? entry.height : entry.width;
  if (a0 > a1) {
    std::swap(a0, a1);
    std::swap(b0, b1);
  }
  const int64_t step = b0 > b1 ? -1 : 1;
  const int64_t last = std::min(a1, major_size - 1);
  for (int64_t a = std::max<int64_t>(a0, 0); a <= last; ++a) {
    const int64_t k = a - a0 + 1;
    const int64_t b =
        b0 + step * static_cast<int64_t>((static_cast<__int128>(k) * minor - 1) / major);
    if (b < 0 || b >= minor_size) continue;
    const int32_t x = static_cast<int32_t>(x_major ? a : b);
    const int32_t y = static_cast<int32_t>(x_major ? b : a);
    RowOf(record, y)[x] = value;
  }
}

void StageSurface::DrawDisc(int index, int32_t x, int32_t y, uint32_t colour) {
  // One lock for all spans instead of one per span.
  TemporaryLock lock(*this, index);
  if (!lock.locked()) return;
  // A disc wholly off the texture paints nothing; skipping it also keeps the
  // span ends below from overflowing for centres near the int32 limits.
  constexpr int32_t kRadius = 8;
  const TextureEntry& entry = m_textures[index];
  if (int64_t{x} + kRadius < 0 || int64_t{x} - kRadius >= entry.width || int64_t{y} + kRadius < 0 ||
      int64_t{y} - kRadius >= entry.height) {
    return;
  }
  int32_t r = kRadius;
  int32_t e = 8;
  int32_t i = 0;
  while (r >= i) {
    DrawLine(index, x - r, y + i, x + r, y + i, colour);
    DrawLine(index, x - r, y - i, x + r, y - i, colour);
    DrawLine(index, x - i, y + r, x + i, y + r, colour);
    DrawLine(index, x - i, y - r, x + i, y - r, colour);
    e -= 2 * i + 1;
    ++i;
    if (e < 0) {
      e += 2 * r;
      --r;
    }
  }
}

void StageSurface::MirrorTexture(int index) {
  TemporaryLock lock(*this, index);
  if (!lock.locked()) return;
  const TextureEntry& entry = m_textures[index];
  for (int32_t y = 0; y < entry.height; ++y) {
    uint32_t* row = RowOf(lock.record(), y);
    std::reverse(row, row + entry.width);
  }
}

void StageSurface::RenderText(int index, const std::string& text, const TextRect* rect,
                              uint32_t format) {
  OnRenderText(index, text, rect, format);
  TemporaryLock lock(*this, index);
  if (!lock.locked()) return;
  const TextureEntry& entry = m_textures[index];
  const TextRect area = rect ? *rect : TextRect{0, 0, entry.width, entry.height};
  const int64_t w = int64_t{area.right} - area.left;
  const int64_t h = int64_t{area.bottom} - area.top;
  // An empty or inverted area has no bitmap to draw into; an empty text draws nothing.
  if (w <= 0 || h <= 0 || text.empty()) return;
  // A bitmap larger than 16384 on a side is refused, as a device context would.
  constexpr int64_t kMaxSide = 16384;
  if (w > kMaxSide || h > kMaxSide) return;

  std::vector<uint32_t>& words = text_words_;
  words.assign(static_cast<size_t>(w * h), 0u);
  RasterizeText(text, static_cast<int32_t>(w), static_cast<int32_t>(h), format, words);

  // Only the part of the area that lies on the texture is visited.
  const int64_t c_begin = std::max<int64_t>(0, -int64_t{area.left});
  const int64_t c_end = std::min<int64_t>(w, int64_t{entry.width} - area.left);
  const int64_t r_begin = std::max<int64_t>(0, -int64_t{area.top});
  const int64_t r_end = std::min<int64_t>(h, int64_t{entry.height} - area.top);
  if (c_begin >= c_end || r_begin >= r_end) return;  // the area lies off the texture
  for (int64_t r = r_begin; r < r_end; ++r) {
    const uint32_t* src = words.data() + r * w;
    // Most of a text layer is empty rows; memcmp of a row against itself
    // shifted by one word finds them much faster than the loop below.
    if (src[c_begin] == 0 &&
        std::memcmp(src + c_begin, src + c_begin + 1, (c_end - c_begin - 1) * 4) == 0) {
      continue;
    }
    uint32_t* dst = RowOf(lock.record(), static_cast<int32_t>(area.top + r)) + area.left;
    for (int64_t c = c_begin; c < c_end; ++c) {
      if (src[c] != 0) dst[c] = src[c] | 0xFF000000u;
    }
  }
}

bool StageSurface::UpdateViewport() {
  // A window without area (minimised, not yet laid out) has no letterbox.
  if (m_windowWidth <= 0 || m_windowHeight <= 0) return false;
  if (!ApplyViewport()) return false;
  const double sx = static_cast<double>(m_windowWidth) / m_canvasWidth;
  const double sy = static_cast<double>(m_windowHeight) / m_canvasHeight;
  if (sx > sy) {
    m_scale = sy;
    m_offsetX = (m_windowWidth - m_canvasWidth * sy) * 0.5;
    m_offsetY = 0.0;
  } else {
    m_scale = sx;
    m_offsetX = 0.0;
    m_offsetY = (m_windowHeight - m_canvasHeight * sx) * 0.5;
  }
  return true;
}

CanvasPoint StageSurface::WindowToCanvas(int32_t x, int32_t y) const {
  if (!(m_scale > 0.0)) return CanvasPoint{};
  return CanvasPoint{TruncateToInt32((x - m_offsetX) / m_scale),
                     TruncateToInt32((y - m_offsetY) / m_scale)};
}

void StageSurface::ClearInput() {
  LatchClear(m_input);
}
