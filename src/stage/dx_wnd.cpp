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
#include <cstdlib>
#include <cstring>
#include <utility>

#include "stage/image_decoder.h"
#include "stage/render_priority.h"
#include "stage/render_thread.h"
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

bool RowIsZero(const uint32_t* row, int32_t width) {
  return row[0] == 0 && std::memcmp(row, row + 1, (static_cast<size_t>(width) - 1) * 4) == 0;
}

// Rows [begin, end) outside which the texture holds only zero words. A text
// layer holds one line of text on an otherwise empty texture; a picture has
// non-zero first and last rows, so finding them costs it nothing.
std::pair<int32_t, int32_t> UsedRows(const TextureEntry& entry) {
  const uint32_t* words = entry.pixels.data();
  const size_t width = static_cast<size_t>(entry.width);
  int32_t begin = 0;
  while (begin < entry.height && RowIsZero(words + begin * width, entry.width)) ++begin;
  int32_t end = entry.height;
  while (end > begin && RowIsZero(words + (end - 1) * width, entry.width)) --end;
  return {begin, end};
}

bool SyncRequested() {
  const char* value = std::getenv("TAVELIN2_STAGE_SYNC");
  return value != nullptr && value[0] != '\0' && value[0] != '0';
}

}  // namespace

// Takes the context back from the render thread for the length of a scope
// (set-up, release, recovery); the render thread gets it back at the end.
class CDXWnd::ContextHere {
 public:
  explicit ContextHere(CDXWnd& stage) : stage_(stage) { stage_.DetachContext(); }
  ~ContextHere() { stage_.AttachContext(); }
  ContextHere(const ContextHere&) = delete;
  ContextHere& operator=(const ContextHere&) = delete;

 private:
  CDXWnd& stage_;
};

CDXWnd::CDXWnd() = default;

CDXWnd::~CDXWnd() {
  if (QGuiApplication::instance() != nullptr) {
    DestroyWindow();
  } else {
    // The application is gone (program end with a window left): Qt objects
    // can no longer be freed safely, the process is ending anyway.
    if (render_thread_) render_thread_->Stop();
    (void)render_thread_.release();
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
  frame_.Clear();
  DetachContext();  // a frame waiting is dropped; the context stays here
  const bool current = MakeCurrent();
  sprites_.Release(current);
  text_.reset();
  ReleaseTextures();
  ReleaseContext();
  StopRenderThread();
  window_->destroy();
  window_.reset();
}

void CDXWnd::StartRenderThread() {
  if (render_thread_ || SyncRequested() || !QOpenGLContext::supportsThreadedOpenGL()) return;
  ui_thread_ = QThread::currentThread();
  render_thread_ =
      std::make_unique<RenderThread>([this](FramePacket& frame) { RenderPacket(frame); });
  render_thread_->start();
}

void CDXWnd::StopRenderThread() {
  DetachContext();
  if (render_thread_) render_thread_->Stop();
  render_thread_.reset();
  render_lost_ = false;
}

void CDXWnd::AttachContext() {
  if (!render_thread_ || context_attached_ || !context_) return;
  context_->doneCurrent();
  context_->moveToThread(render_thread_.get());
  context_attached_ = true;
}

void CDXWnd::DetachContext() {
  if (!render_thread_ || !context_attached_) return;
  render_thread_->Invoke(
      [this] {
        context_->doneCurrent();
        context_->moveToThread(ui_thread_);
      },
      true);
  context_attached_ = false;
}

uint64_t CDXWnd::FramesPresented() const {
  return render_thread_ ? render_thread_->FramesRendered() : sync_presented_;
}

uint64_t CDXWnd::FramesReplaced() const {
  return render_thread_ ? render_thread_->FramesReplaced() : 0;
}

void CDXWnd::HoldRenderThread(bool hold) {
  if (render_thread_) render_thread_->SetHold(hold);
}

QImage CDXWnd::LastPresentedFrame() {
  if (render_thread_) render_thread_->WaitIdle();
  return presented_copy_ ? *presented_copy_ : QImage();
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
  StartRenderThread();
  ReleaseContext();
  m_deviceLost = false;
  render_lost_ = false;
  m_deviceKind = kDeviceNone;
  for (int32_t kind : {kDeviceDesktopGL, kDeviceGLES2, kDeviceAnyGL}) {
    if (CreateRenderContext(kind)) {
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
  PresentBlackFrame();
  return true;
}

// Until the first frame of a run, the window would show whatever was on the
// screen before it.
void CDXWnd::PresentBlackFrame() {
  if (!BeginFrame()) return;
  EndFrame();
  if (render_thread_) render_thread_->WaitIdle();
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

// Made here, then handed to the render thread, which makes it current there.
bool CDXWnd::CreateRenderContext(int32_t kind) {
  DetachContext();
  if (!CreateContext(kind)) return false;
  if (render_thread_) {
    AttachContext();
    // The software rasteriser's workers exist once there is a context.
    IdleSoftwareRasteriserWorkers();
  }
  return true;
}

void CDXWnd::ReleaseContext() {
  DetachContext();
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
  for (TextureState& t : texture_states_) t = TextureState{};
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
  ContextHere here(*this);
  sprites_.Release(false);
  for (GpuTexture& t : gpu_textures_) t = GpuTexture{};
  for (TextureState& t : texture_states_) t = TextureState{};
  render_lost_ = false;
  if (context_) {
    context_->doneCurrent();
    context_.reset();
  }
  const int32_t preferred = m_deviceKind;
  for (int32_t kind :
       {preferred, int32_t{kDeviceDesktopGL}, int32_t{kDeviceGLES2}, int32_t{kDeviceAnyGL}}) {
    if (kind != kDeviceNone && CreateRenderContext(kind)) {
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
  DetachContext();
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
  frame_.Clear();
  if (!window_ || !device_created_) return false;
  if (render_lost_.exchange(false)) m_deviceLost = true;
  bool usable = !m_deviceLost && context_ != nullptr;
  if (usable && !render_thread_) {
    // makeCurrent itself, not the shortcut of MakeCurrent: it is where Qt asks
    // the driver whether the context was reset. The render thread asks it
    // before every frame it draws.
    usable = context_->makeCurrent(window_.get()) && context_->isValid();
  }
  if (!usable && !(TryRecover() && (render_thread_ || MakeCurrent()))) return false;
  frame_open_ = true;
  return true;
}

void CDXWnd::DrawSprite(int index, float x, float y, uint32_t colour) {
  if (!frame_open_ || !IsValidIndex(index)) return;
  if (static_cast<size_t>(index) >= texture_states_.size()) return;
  const TextureEntry& entry = m_textures[index];
  TextureState& state = texture_states_[index];
  // A locked texture shows its last unlocked state, unless it was never sent.
  if (!state.sent || (state.dirty && !entry.lock)) {
    const auto [used_begin, used_end] = UsedRows(entry);
    const uint32_t* rows = entry.pixels.data() + static_cast<size_t>(used_begin) * entry.width;
    const size_t words = static_cast<size_t>(used_end - used_begin) * entry.width;
    if (render_thread_) {
      // A copy: the texture may change before the render thread draws the frame.
      if (frame_.uploads.size() <= static_cast<size_t>(index)) frame_.uploads.resize(index + 1);
      TextureSnapshot& snapshot = frame_.uploads[index];
      snapshot.present = true;
      snapshot.width = entry.width;
      snapshot.height = entry.height;
      snapshot.used_begin = used_begin;
      snapshot.used_end = used_end;
      snapshot.rows.assign(rows, rows + words);
    } else {
      UploadRows(index, entry.width, entry.height, rows, used_begin, used_end);
    }
    state.dirty = false;
    state.sent = true;
  }
  SpriteDraw draw;
  draw.index = index;
  draw.x0 = x * m_scale + m_offsetX;
  draw.y0 = y * m_scale + m_offsetY;
  draw.x1 = (static_cast<double>(x) + entry.width) * m_scale + m_offsetX;
  draw.y1 = (static_cast<double>(y) + entry.height) * m_scale + m_offsetY;
  draw.colour = colour;
  draw.opaque = entry.format == D3DFMT_X8R8G8B8;
  frame_.draws.push_back(draw);
}

// Rows that are zero now and were zero at the last upload need not be sent.
void CDXWnd::UploadRows(int index, int32_t width, int32_t height, const uint32_t* rows,
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
}

void CDXWnd::DrawPacket(const FramePacket& frame) {
  sprites_.BeginFrame(frame.window_width, frame.window_height);
  for (const SpriteDraw& d : frame.draws) {
    if (static_cast<size_t>(d.index) >= gpu_textures_.size()) continue;
    const GLuint id = gpu_textures_[d.index].id;
    if (id != 0) sprites_.Draw(id, d.opaque, d.x0, d.y0, d.x1, d.y1, d.colour);
  }
}

void CDXWnd::FillFrameHeader(FramePacket& frame) {
  frame.window_width = m_windowWidth;
  frame.window_height = m_windowHeight;
  frame.exposed = window_->isExposed();
}

void CDXWnd::RenderPacket(FramePacket& frame) {
  if (!context_ || !context_->makeCurrent(window_.get()) || !context_->isValid()) {
    render_lost_ = true;  // recovered by the next BeginFrame
    return;
  }
  for (size_t i = 0; i < frame.uploads.size(); ++i) {
    const TextureSnapshot& t = frame.uploads[i];
    if (t.present) {
      UploadRows(static_cast<int>(i), t.width, t.height, t.rows.data(), t.used_begin, t.used_end);
    }
  }
  DrawPacket(frame);
  if (frame.read_back || (frame.present && keep_presented_)) {
    presented_copy_ = std::make_unique<QImage>(ReadBack(frame.window_width, frame.window_height));
  }
  if (frame.present) {
    if (frame.exposed) {
      context_->swapBuffers(window_.get());
    } else {
      context_->functions()->glFlush();
    }
  }
  if (!context_->isValid()) render_lost_ = true;
}

void CDXWnd::EndFrame() {
  if (!frame_open_) return;
  frame_open_ = false;
  FillFrameHeader(frame_);
  if (render_thread_) {
    render_thread_->Submit(frame_);
    return;
  }
  DrawPacket(frame_);
  if (keep_presented_)
    presented_copy_ = std::make_unique<QImage>(ReadBack(m_windowWidth, m_windowHeight));
  if (frame_.exposed) {
    context_->swapBuffers(window_.get());
  } else {
    context_->functions()->glFlush();
  }
  ++sync_presented_;
  frame_.Clear();
  if (!context_->isValid()) m_deviceLost = true;  // noticed here, recovered next frame
}

QImage CDXWnd::ReadBack(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return QImage();
  QImage image(width, height, QImage::Format_RGBA8888);
  QOpenGLFunctions* gl = context_->functions();
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  // GL rows run bottom to top.
  return image.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

QImage CDXWnd::GrabFrame() {
  if (!frame_open_ || m_windowWidth <= 0 || m_windowHeight <= 0) return QImage();
  FillFrameHeader(frame_);
  if (!render_thread_) {
    DrawPacket(frame_);
    return ReadBack(m_windowWidth, m_windowHeight);
  }
  // The frame so far, drawn and read back but not presented; its draws stay
  // for EndFrame.
  render_thread_->WaitIdle();
  const std::vector<SpriteDraw> draws = frame_.draws;
  frame_.present = false;
  frame_.read_back = true;
  presented_copy_.reset();
  render_thread_->Submit(frame_);
  render_thread_->WaitIdle();
  frame_.draws = draws;
  QImage image = presented_copy_ ? std::move(*presented_copy_) : QImage();
  presented_copy_.reset();
  return image;
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
  texture_states_.resize(static_cast<size_t>(index) + 1);
  texture_states_[index] = TextureState{};
  return true;
}

void CDXWnd::OnTextureUnlocked(int index) {
  if (static_cast<size_t>(index) < texture_states_.size()) texture_states_[index].dirty = true;
}

void CDXWnd::OnTexturesReleased() {
  frame_.Clear();
  ContextHere here(*this);
  if (MakeCurrent()) {
    for (GpuTexture& t : gpu_textures_) {
      if (t.id != 0) context_->functions()->glDeleteTextures(1, &t.id);
    }
  }
  gpu_textures_.clear();
  texture_states_.clear();
}
