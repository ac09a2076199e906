#include "stage/dx_wnd.h"

#include <QDeadlineTimer>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QScreen>
#include <QSurfaceFormat>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "stage/image_decoder.h"
#include "stage/text_rasterizer.h"

namespace {

constexpr auto kRecoveryInterval = std::chrono::milliseconds(250);
constexpr int kExposeWaitMs = 2000;

// Colour buffer only, one frame per refresh.
QSurfaceFormat StageFormat(int32_t kind) {
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

}  // namespace

CDXWnd::CDXWnd() = default;

CDXWnd::~CDXWnd() {
  if (QGuiApplication::instance() != nullptr) {
    DestroyWindow();
  } else {
    // The application is gone (program end with a window left): Qt objects
    // can no longer be freed safely, the process is ending anyway.
    (void)window_.release();
    (void)context_.release();
    (void)text_.release();
  }
}

double CDXWnd::PixelRatio() const {
  return window_ ? window_->devicePixelRatio() : 1.0;
}

bool CDXWnd::CreateEx(const std::string& title, int32_t x, int32_t y, int32_t width, int32_t height,
                      QWindow* owner) {
  if (window_ || QGuiApplication::instance() == nullptr || width <= 0 || height <= 0) {
    return false;
  }
  QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  const double ratio = screen->devicePixelRatio();
  const QRect logical(
      static_cast<int>(std::lround(x / ratio)), static_cast<int>(std::lround(y / ratio)),
      static_cast<int>(std::lround(width / ratio)), static_cast<int>(std::lround(height / ratio)));

  window_ = std::make_unique<StageQWindow>(*this);
  window_->setTitle(QString::fromStdString(title));
  window_->setFormat(StageFormat(kDeviceDesktopGL));
  window_->setScreen(screen);
  if (owner != nullptr) window_->setTransientParent(owner);
  // The geometry first: without a window manager nothing else sizes the window.
  window_->setGeometry(logical);
  window_->create();
  if (window_->handle() == nullptr) {
    window_.reset();
    return false;
  }
  OnWindowCreated();
  if (logical == screen->geometry()) {
    window_->showFullScreen();
  } else {
    window_->show();
  }
  window_->requestActivate();

  const QDeadlineTimer deadline(kExposeWaitMs);
  while (!window_->isExposed() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!window_->isExposed()) QThread::msleep(1);
  }
  return true;
}

bool CDXWnd::CreateFullScreen(const std::string& title, QWindow* owner) {
  if (QGuiApplication::instance() == nullptr) return false;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  const QRect g = screen->geometry();
  const double ratio = screen->devicePixelRatio();
  return CreateEx(title, static_cast<int32_t>(std::lround(g.x() * ratio)),
                  static_cast<int32_t>(std::lround(g.y() * ratio)),
                  static_cast<int32_t>(std::lround(g.width() * ratio)),
                  static_cast<int32_t>(std::lround(g.height() * ratio)), owner);
}

void CDXWnd::DestroyWindow() {
  if (!window_) return;
  OnDestroy();
}

void CDXWnd::OnDestroy() {
  frame_open_ = false;
  const bool current = MakeCurrent();
  sprites_.Release(current);
  text_.reset();
  ReleaseTextures();
  ReleaseContext();
  window_->destroy();
  window_.reset();
}

void CDXWnd::ReadWindowSize() {
  const double ratio = PixelRatio();
  const QRect frame = window_->frameGeometry();
  m_windowWidth = static_cast<int32_t>(std::lround(frame.width() * ratio));
  m_windowHeight = static_cast<int32_t>(std::lround(frame.height() * ratio));
}

bool CDXWnd::InitDevice() {
  if (!window_) return false;
  ReadWindowSize();
  m_scale = 1.0;
  m_canvasWidth = 1024;
  m_canvasHeight = 768;
  m_offsetX = 0.0;
  m_offsetY = 0.0;

  // A device of an earlier InitDevice in this window goes first; a new one
  // starts without the lost mark.
  ReleaseContext();
  m_deviceLost = false;
  m_deviceKind = kDeviceNone;
  for (int32_t kind : {kDeviceDesktopGL, kDeviceGLES2, kDeviceAnyGL}) {
    if (CreateContext(kind)) {
      m_deviceKind = kind;
      break;
    }
  }
  if (m_deviceKind == kDeviceNone) return false;
  device_created_ = true;

  if (!UpdateViewport()) return false;
  if (AddTexture(m_canvasWidth, m_canvasHeight, D3DFMT_X8R8G8B8) == -1) return false;
  // The font of the text layer, resolved now rather than in the first frame.
  if (!text_) text_ = std::make_unique<TextRasterizer>();
  text_->FontFor(TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor});
  return true;
}

bool CDXWnd::CreateContext(int32_t kind) {
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(StageFormat(kind));
  context->setScreen(window_->screen());
  if (!context->create()) return false;
  if (kind == kDeviceDesktopGL && context->isOpenGLES()) return false;
  if (kind == kDeviceGLES2 && !context->isOpenGLES()) return false;
  if (!context->makeCurrent(window_.get())) return false;
  QOpenGLFunctions* gl = context->functions();
  if (!sprites_.Create(gl)) {
    sprites_.Release(true);
    context->doneCurrent();
    return false;
  }
  gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture_size_);
  context_ = std::move(context);
  return true;
}

void CDXWnd::ReleaseContext() {
  if (context_) {
    const bool current = MakeCurrent();
    sprites_.Release(current);
    if (current) {
      for (GpuTexture& t : gpu_textures_) {
        if (t.id != 0) context_->functions()->glDeleteTextures(1, &t.id);
      }
    }
    context_->doneCurrent();
    context_.reset();
  }
  for (GpuTexture& t : gpu_textures_) t = GpuTexture{};
  device_created_ = false;
}

bool CDXWnd::MakeCurrent() {
  if (!context_ || !window_ || !context_->isValid()) return false;
  if (QOpenGLContext::currentContext() == context_.get() && context_->surface() == window_.get()) {
    return true;
  }
  return context_->makeCurrent(window_.get());
}

bool CDXWnd::TryRecover() {
  const auto now = std::chrono::steady_clock::now();
  if (last_recovery_attempt_ != std::chrono::steady_clock::time_point{} &&
      now - last_recovery_attempt_ < kRecoveryInterval) {
    return false;
  }
  last_recovery_attempt_ = now;

  // The old context's objects died with it: only forget them. Every texture
  // is uploaded again from its CPU copy when it is next drawn.
  sprites_.Release(false);
  for (GpuTexture& t : gpu_textures_) t = GpuTexture{};
  if (context_) {
    context_->doneCurrent();
    context_.reset();
  }
  const int32_t preferred = m_deviceKind;
  for (int32_t kind :
       {preferred, int32_t{kDeviceDesktopGL}, int32_t{kDeviceGLES2}, int32_t{kDeviceAnyGL}}) {
    if (kind != kDeviceNone && CreateContext(kind)) {
      m_deviceKind = kind;
      m_deviceLost = false;
      ++m_recoveries;
      return true;
    }
  }
  m_deviceLost = true;
  return false;
}

void CDXWnd::SimulateContextLoss() {
  if (!context_) return;
  sprites_.Release(false);
  context_->doneCurrent();
  context_.reset();
}

bool CDXWnd::ApplyViewport() {
  return window_ != nullptr;
}

void CDXWnd::OnWindowResized() {
  if (!window_ || !device_created_) return;  // before InitDevice nothing changes
  if ((window_->windowStates() & Qt::WindowMinimized) != 0) return;
  const double ratio = PixelRatio();
  const int32_t width = static_cast<int32_t>(std::lround(window_->width() * ratio));
  const int32_t height = static_cast<int32_t>(std::lround(window_->height() * ratio));
  if (width <= 0 || height <= 0) return;
  m_windowWidth = width;
  m_windowHeight = height;
  // The default framebuffer follows the window; only the letterbox changes.
  UpdateViewport();
}

bool CDXWnd::BeginFrame() {
  frame_open_ = false;
  if (!window_ || !device_created_) return false;
  // makeCurrent itself, not the shortcut of MakeCurrent: it is where Qt asks
  // the driver whether the context was reset.
  const bool usable =
      !m_deviceLost && context_ && context_->makeCurrent(window_.get()) && context_->isValid();
  if (!usable && !(TryRecover() && MakeCurrent())) return false;
  sprites_.BeginFrame(m_windowWidth, m_windowHeight);
  frame_open_ = true;
  return true;
}

void CDXWnd::DrawSprite(int index, float x, float y, uint32_t colour) {
  if (!frame_open_ || !IsValidIndex(index)) return;
  if (static_cast<size_t>(index) >= gpu_textures_.size()) return;
  const TextureEntry& entry = m_textures[index];
  GpuTexture& gpu = gpu_textures_[index];
  if (gpu.id == 0 || (gpu.stale && !entry.lock)) Upload(entry, gpu);
  const double x0 = x * m_scale + m_offsetX;
  const double y0 = y * m_scale + m_offsetY;
  const double x1 = (static_cast<double>(x) + entry.width) * m_scale + m_offsetX;
  const double y1 = (static_cast<double>(y) + entry.height) * m_scale + m_offsetY;
  sprites_.Draw(gpu.id, entry.format == D3DFMT_X8R8G8B8, x0, y0, x1, y1, colour);
}

namespace {

bool RowIsZero(const uint32_t* row, int32_t width) {
  return row[0] == 0 && std::memcmp(row, row + 1, (static_cast<size_t>(width) - 1) * 4) == 0;
}

}  // namespace

// Rows that are zero now and were zero at the last upload need not be sent: a
// text layer holds one line of text on an otherwise empty texture. A picture
// has non-zero first and last rows, so finding the used rows costs it nothing.
void CDXWnd::Upload(const TextureEntry& entry, GpuTexture& gpu) {
  const uint32_t* words = entry.pixels.data();
  const size_t width = static_cast<size_t>(entry.width);
  int32_t used_begin = 0;
  while (used_begin < entry.height && RowIsZero(words + used_begin * width, entry.width)) {
    ++used_begin;
  }
  int32_t used_end = entry.height;
  while (used_end > used_begin && RowIsZero(words + (used_end - 1) * width, entry.width)) {
    --used_end;
  }
  // Rows to send: the used rows of now and of the last upload.
  int32_t first = used_begin;
  int32_t end = used_end;
  if (gpu.used_end > gpu.used_begin) {
    first = end > first ? std::min(first, gpu.used_begin) : gpu.used_begin;
    end = std::max(end, gpu.used_end);
  }
  gpu.id = GlSpriteRenderer::Upload(context_->functions(), gpu.id, entry.width, entry.height, words,
                                    first, end);
  gpu.used_begin = used_begin;
  gpu.used_end = used_end;
  gpu.stale = false;
}

void CDXWnd::EndFrame() {
  if (!frame_open_) return;
  frame_open_ = false;
  if (window_->isExposed()) {
    context_->swapBuffers(window_.get());
  } else {
    context_->functions()->glFlush();
  }
  if (!context_->isValid()) m_deviceLost = true;  // noticed here, recovered next frame
}

QImage CDXWnd::GrabFrame() {
  if (!frame_open_ || m_windowWidth <= 0 || m_windowHeight <= 0) return QImage();
  QImage image(m_windowWidth, m_windowHeight, QImage::Format_RGBA8888);
  QOpenGLFunctions* gl = context_->functions();
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, m_windowWidth, m_windowHeight, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  // GL rows run bottom to top.
  return image.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

std::string CDXWnd::TextFontFamily() {
  if (QGuiApplication::instance() == nullptr) return {};
  if (!text_) text_ = std::make_unique<TextRasterizer>();
  const QFont& font = text_->FontFor(TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor});
  return QFontInfo(font).family().toStdString();
}

bool CDXWnd::DecodeImage(const std::string& path, int32_t& width, int32_t& height,
                         std::vector<uint32_t>& argb) {
  return DecodeImageFile(path, width, height, argb);
}

void CDXWnd::RasterizeText(const std::string& text, int32_t w, int32_t h, uint32_t format,
                           std::vector<uint32_t>& words) {
  if (QGuiApplication::instance() == nullptr) return;  // fonts need the application
  if (!text_) text_ = std::make_unique<TextRasterizer>();
  text_->Rasterize(text, w, h, format,
                   TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor}, words);
}

bool CDXWnd::OnTextureCreated(int index) {
  const TextureEntry& entry = m_textures[index];
  // A size the GPU cannot hold fails here, as creating it on the device would.
  if (context_ && max_texture_size_ > 0 &&
      (entry.width > max_texture_size_ || entry.height > max_texture_size_)) {
    return false;
  }
  gpu_textures_.resize(static_cast<size_t>(index) + 1);
  gpu_textures_[index] = GpuTexture{};
  return true;
}

void CDXWnd::OnTextureUnlocked(int index) {
  if (static_cast<size_t>(index) < gpu_textures_.size()) gpu_textures_[index].stale = true;
}

void CDXWnd::OnTexturesReleased() {
  if (MakeCurrent()) {
    for (GpuTexture& t : gpu_textures_) {
      if (t.id != 0) context_->functions()->glDeleteTextures(1, &t.id);
    }
  }
  gpu_textures_.clear();
}
