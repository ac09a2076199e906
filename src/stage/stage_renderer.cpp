#include "stage/stage_renderer.h"

#include <QOpenGLContext>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

QSurfaceFormat StageSurfaceFormat(int32_t kind) {
  QSurfaceFormat format;
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setAlphaBufferSize(0);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);
  format.setOption(QSurfaceFormat::ResetNotification);
  switch (kind) {
    case kDeviceDesktopGL:
      format.setRenderableType(QSurfaceFormat::OpenGL);
      format.setVersion(2, 1);
      break;
    case kDeviceGLES2:
      format.setRenderableType(QSurfaceFormat::OpenGLES);
      format.setVersion(2, 0);
      break;
    default:
      format.setRenderableType(QSurfaceFormat::DefaultRenderableType);
      format.setVersion(2, 0);
      break;
  }
  return format;
}

namespace {

bool IsSoftwareRasteriser(QOpenGLFunctions* gl) {
  const auto* name = reinterpret_cast<const char*>(gl->glGetString(GL_RENDERER));
  if (name == nullptr) return false;
  const std::string renderer(name);
  for (const char* software : {"llvmpipe", "softpipe", "SwiftShader", "swrast"}) {
    if (renderer.find(software) != std::string::npos) return true;
  }
  return false;
}

// The window pixels a quad can write (its edges rounded outwards, one more
// pixel of margin), clipped to the window.
PixelRect OuterPixels(const SpriteDraw& d, const PixelRect& window) {
  PixelRect r{static_cast<int32_t>(std::floor(d.x0)) - 1, static_cast<int32_t>(std::floor(d.y0)) - 1,
              static_cast<int32_t>(std::ceil(d.x1)) + 1, static_cast<int32_t>(std::ceil(d.y1)) + 1};
  return Intersection(r, window);
}

}  // namespace

StageRenderer::StageRenderer(QWindow& window) : window_(window) {}

StageRenderer::~StageRenderer() = default;

bool StageRenderer::CreateContext(int32_t kind, QScreen* screen) {
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(StageSurfaceFormat(kind));
  context->setScreen(screen);
  if (!context->create()) return false;
  if (kind == kDeviceDesktopGL && context->isOpenGLES()) return false;
  if (kind == kDeviceGLES2 && !context->isOpenGLES()) return false;
  if (!context->makeCurrent(&window_)) return false;
  QOpenGLFunctions* gl = context->functions();
  if (!sprites_.Create(gl)) {
    sprites_.Release(true);
    context->doneCurrent();
    return false;
  }
  gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture_size_);
  software_ = IsSoftwareRasteriser(gl);
  context_ = std::move(context);
  return true;
}

void StageRenderer::ReleaseContext() {
  if (context_) {
    const bool current = MakeCurrent();
    sprites_.Release(current);
    if (current) DeleteTextures();
    context_->doneCurrent();
    context_.reset();
  }
  for (GpuTexture& t : gpu_textures_) t = GpuTexture{};
}

void StageRenderer::ForgetContext() {
  sprites_.Release(false);
  for (GpuTexture& t : gpu_textures_) t = GpuTexture{};
  if (context_) {
    context_->doneCurrent();
    context_.reset();
  }
}

bool StageRenderer::MakeCurrent() {
  if (!context_ || !context_->isValid()) return false;
  if (QOpenGLContext::currentContext() == context_.get() && context_->surface() == &window_) {
    return true;
  }
  return context_->makeCurrent(&window_);
}

bool StageRenderer::CheckContext() {
  return context_ && context_->makeCurrent(&window_) && context_->isValid();
}

void StageRenderer::DeleteTextures() {
  for (GpuTexture& t : gpu_textures_) {
    if (t.id != 0) context_->functions()->glDeleteTextures(1, &t.id);
  }
}

void StageRenderer::ReleaseTextures() {
  if (MakeCurrent()) DeleteTextures();
  gpu_textures_.clear();
}

// Rows that are zero now and were zero at the last upload need not be sent.
void StageRenderer::UploadRows(int index, int32_t width, int32_t height, const uint32_t* rows,
                               int32_t used_begin, int32_t used_end) {
  if (gpu_textures_.size() <= static_cast<size_t>(index)) gpu_textures_.resize(index + 1);
  GpuTexture& gpu = gpu_textures_[index];
  QOpenGLFunctions* gl = context_->functions();
  // Rows that held words before and are zero now: all of a new texture.
  int32_t old_begin = gpu.used_begin;
  int32_t old_end = gpu.used_end;
  if (gpu.id == 0) {
    gpu.id = GlSpriteRenderer::Allocate(gl, width, height);
    old_begin = 0;
    old_end = height;
  }
  GlSpriteRenderer::UploadRows(gl, gpu.id, width, used_begin, used_end - used_begin, rows);
  const int32_t below_end = std::min(old_end, used_begin);
  const int32_t above_begin = std::max(old_begin, used_end);
  const int32_t zero_rows = std::max(below_end - old_begin, old_end - above_begin);
  if (zero_rows > 0) {
    const size_t zero_words = static_cast<size_t>(zero_rows) * width;
    if (zero_rows_.size() < zero_words) zero_rows_.resize(zero_words, 0u);
    if (below_end > old_begin) {
      GlSpriteRenderer::UploadRows(gl, gpu.id, width, old_begin, below_end - old_begin,
                                   zero_rows_.data());
    }
    if (old_end > above_begin) {
      GlSpriteRenderer::UploadRows(gl, gpu.id, width, above_begin, old_end - above_begin,
                                   zero_rows_.data());
    }
  }
  gpu.used_begin = used_begin;
  gpu.used_end = used_end;
  gpu.height = height;
}

const StageRenderer::GpuTexture* StageRenderer::TextureOf(const SpriteDraw& d) const {
  if (d.index < 0 || static_cast<size_t>(d.index) >= gpu_textures_.size()) return nullptr;
  const GpuTexture& t = gpu_textures_[d.index];
  return t.id != 0 ? &t : nullptr;
}

void StageRenderer::DrawWhole(const FramePacket& frame) {
  sprites_.Clear();
  for (const SpriteDraw& d : frame.draws) {
    if (const GpuTexture* t = TextureOf(d)) {
      sprites_.Draw(t->id, d.opaque, d.x0, d.y0, d.x1, d.y1, d.colour);
    }
  }
}

// The rows of window pixels a draw's texture rows [used_begin, used_end) reach:
// outer, every pixel their texels can touch (one texel row of margin for the
// filtered edge, one pixel more); inner, only pixels whose every sample lies
// within them.
PixelRect StageRenderer::InkBand(const SpriteDraw& d, const GpuTexture& t, bool outer) {
  if (t.height <= 0 || t.used_begin >= t.used_end) return PixelRect{};
  const double texel = (d.y1 - d.y0) / t.height;
  const int32_t x0 = static_cast<int32_t>(std::floor(d.x0)) - 1;
  const int32_t x1 = static_cast<int32_t>(std::ceil(d.x1)) + 1;
  if (outer) {
    return {x0, static_cast<int32_t>(std::floor(d.y0 + (t.used_begin - 1) * texel)) - 1, x1,
            static_cast<int32_t>(std::ceil(d.y0 + (t.used_end + 1) * texel)) + 1};
  }
  return {x0, static_cast<int32_t>(std::ceil(d.y0 + (t.used_begin + 1) * texel)) + 1, x1,
          static_cast<int32_t>(std::floor(d.y0 + (t.used_end - 1) * texel)) - 1};
}

// The draw that surely writes the most pixels (an opaque sprite at full colour
// alpha writes every pixel of its used rows), and those pixels; -1 when none.
int StageRenderer::CoveringDraw(const FramePacket& frame, PixelRect* interior) const {
  int best = -1;
  int64_t best_area = 0;
  const PixelRect window{0, 0, frame.window_width, frame.window_height};
  for (size_t i = 0; i < frame.draws.size(); ++i) {
    const SpriteDraw& d = frame.draws[i];
    const GpuTexture* t = TextureOf(d);
    if (!d.opaque || (d.colour >> 24) != 0xFF || t == nullptr) continue;
    const PixelRect inside = Intersection(
        Intersection(
            {static_cast<int32_t>(std::ceil(d.x0)) + 1, static_cast<int32_t>(std::ceil(d.y0)) + 1,
             static_cast<int32_t>(std::floor(d.x1)) - 1, static_cast<int32_t>(std::floor(d.y1)) - 1},
            InkBand(d, *t, false)),
        window);
    if (inside.Empty()) continue;
    const int64_t area = int64_t{inside.x1 - inside.x0} * (inside.y1 - inside.y0);
    if (area > best_area) {
      best = static_cast<int>(i);
      best_area = area;
      *interior = inside;
    }
  }
  return best;
}

void StageRenderer::Draw(const FramePacket& frame) {
  sprites_.BeginFrame(frame.window_width, frame.window_height);
  if (draw_whole_) return DrawWhole(frame);
  const PixelRect window{0, 0, frame.window_width, frame.window_height};

  // A software rasteriser pays for every cleared pixel; where a sprite of the
  // frame surely writes every pixel the clear cannot show.
  PixelRect covered;
  const bool cover = software_ && CoveringDraw(frame, &covered) >= 0;
  sprites_.Clear(cover ? &covered : nullptr);

  // Zero words are transparent black in a texture with alpha, and opaque
  // black in one without: over black (what the clear left, where no sprite
  // of this frame has drawn yet) neither changes a pixel, so rows of zero
  // words are left out there.
  PixelRect painted;  // bounding box of what this frame's sprites wrote so far
  for (const SpriteDraw& d : frame.draws) {
    const GpuTexture* t = TextureOf(d);
    if (t == nullptr) continue;
    const PixelRect quad = OuterPixels(d, window);
    const bool over_black = !d.opaque || Intersection(painted, quad).Empty();
    const PixelRect only = over_black ? Intersection(quad, InkBand(d, *t, true)) : quad;
    if (only.Empty()) continue;
    sprites_.Draw(t->id, d.opaque, d.x0, d.y0, d.x1, d.y1, d.colour, &only);
    painted = BoundingBox(painted, only);
  }
}

bool StageRenderer::Render(const FramePacket& frame) {
  if (!context_) return false;
  for (size_t i = 0; i < frame.uploads.size(); ++i) {
    const TextureSnapshot& t = frame.uploads[i];
    if (t.present) {
      UploadRows(static_cast<int>(i), t.width, t.height, t.rows.data(), t.used_begin, t.used_end);
    }
  }
  Draw(frame);
  if (frame.read_back) copy_ = ReadBack(frame.window_width, frame.window_height);
  if (frame.present) {
    if (frame.exposed) {
      context_->swapBuffers(&window_);
    } else {
      context_->functions()->glFlush();
    }
  }
  return context_->isValid();
}

QImage StageRenderer::TakeCopy() {
  return std::exchange(copy_, QImage());
}

QImage StageRenderer::ReadBack(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return QImage();
  QImage image(width, height, QImage::Format_RGBA8888);
  QOpenGLFunctions* gl = context_->functions();
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  // GL rows run bottom to top.
  return image.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}
