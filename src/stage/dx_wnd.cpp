#include "stage/dx_wnd.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <cmath>
#include <cstring>
#include <utility>

#include "stage/image_decoder.h"
#include "stage/render_priority.h"
#include "stage/renderer_host.h"
#include "stage/text_rasterizer.h"

namespace {

constexpr int kExposeWaitMs = 2000;

bool RowIsZero(const uint32_t* row, int32_t width) {
  return row[0] == 0 && std::memcmp(row, row + 1, (static_cast<size_t>(width) - 1) * 4) == 0;
}

// Rows [begin, end) outside which the texture holds only zero words: its
// inked rows, trimmed of zero rows at either end. A text layer holds one line
// of text on an otherwise empty texture; a picture has non-zero first and last
// rows, so trimming costs it nothing.
std::pair<int32_t, int32_t> UsedRows(const TextureEntry& entry) {
  const uint32_t* words = entry.pixels.data();
  const size_t width = static_cast<size_t>(entry.width);
  int32_t begin = entry.ink_begin;
  int32_t end = entry.ink_end;
  while (begin < end && RowIsZero(words + begin * width, entry.width)) ++begin;
  while (end > begin && RowIsZero(words + (end - 1) * width, entry.width)) --end;
  if (begin >= end) return {0, 0};
  return {begin, end};
}

}  // namespace

CDXWnd::CDXWnd() {
  ChooseSoftwareRasteriserThreads();
}

CDXWnd::~CDXWnd() {
  if (QGuiApplication::instance() != nullptr) {
    DestroyWindow();
  } else {
    // The application is gone (program end with a window left): Qt objects
    // can no longer be freed safely, the process is ending anyway.
    if (gpu_) gpu_->StopThread();
    (void)gpu_.release();
    (void)window_.release();
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
  window_->setFormat(StageSurfaceFormat(kDeviceDesktopGL));
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
  text_.reset();
  ReleaseTextures();
  ReleaseContext();  // a frame waiting is dropped
  gpu_.reset();      // ends the render thread
  window_->destroy();
  window_.reset();
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
  if (gpu_->TakeLost()) m_deviceLost = true;
  bool usable = !m_deviceLost && has_context_;
  if (usable && !gpu_->Threaded()) {
    // The driver's reset check; threaded, the render thread makes it before
    // every frame it draws.
    gpu_->Run([&](StageRenderer& r) { usable = r.CheckContext(); });
  }
  if (!usable) {
    bool current = TryRecover();
    if (current && !gpu_->Threaded())
      gpu_->Run([&](StageRenderer& r) { current = r.MakeCurrent(); });
    if (!current) return false;
  }
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
    SendTexture(index);
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

void CDXWnd::SendTexture(int index) {
  const TextureEntry& entry = m_textures[index];
  const auto [used_begin, used_end] = UsedRows(entry);
  const uint32_t* rows = entry.pixels.data() + static_cast<size_t>(used_begin) * entry.width;
  if (!gpu_->Threaded()) {
    gpu_->Run([&](StageRenderer& r) {
      r.UploadRows(index, entry.width, entry.height, rows, used_begin, used_end);
    });
    return;
  }
  // A copy: the texture may change before the render thread draws the frame.
  const size_t words = static_cast<size_t>(used_end - used_begin) * entry.width;
  if (frame_.uploads.size() <= static_cast<size_t>(index)) frame_.uploads.resize(index + 1);
  TextureSnapshot& snapshot = frame_.uploads[index];
  snapshot.present = true;
  snapshot.width = entry.width;
  snapshot.height = entry.height;
  snapshot.used_begin = used_begin;
  snapshot.used_end = used_end;
  snapshot.rows.assign(rows, rows + words);
}

void CDXWnd::FillFrameHeader(FramePacket& frame) {
  frame.window_width = m_windowWidth;
  frame.window_height = m_windowHeight;
  frame.exposed = window_->isExposed();
  if (keep_presented_) frame.read_back = true;
}

void CDXWnd::EndFrame() {
  if (!frame_open_) return;
  frame_open_ = false;
  FillFrameHeader(frame_);
  frame_.number = ++frames_ended_;
  gpu_->Submit(frame_);
  // Drawn inline: a failure is known now, and recovered by the next frame.
  if (!gpu_->Threaded() && gpu_->TakeLost()) m_deviceLost = true;
}

bool CDXWnd::FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                                int64_t* presented_ns) const {
  return gpu_ != nullptr && gpu_->FirstPresentedFrom(number, presented_number, presented_ns);
}

uint64_t CDXWnd::FramesPresented() const {
  return gpu_ != nullptr ? gpu_->FramesPresented() : 0;
}

TextRasterizer& CDXWnd::Text() {
  if (!text_) text_ = std::make_unique<TextRasterizer>();
  return *text_;
}

bool CDXWnd::DecodeImage(const std::string& path, int32_t& width, int32_t& height,
                         std::vector<uint32_t>& argb) {
  return DecodeImageFile(path, width, height, argb);
}

void CDXWnd::RasterizeText(const std::string& text, int32_t w, int32_t h, uint32_t format,
                           std::vector<uint32_t>& words) {
  if (QGuiApplication::instance() == nullptr) return;  // fonts need the application
  Text().Rasterize(text, w, h, format,
                   TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor}, words);
}

bool CDXWnd::OnTextureCreated(int index) {
  const TextureEntry& entry = m_textures[index];
  // A size the GPU cannot hold fails here, as creating it on the device would.
  if (has_context_ && max_texture_size_ > 0 &&
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
  if (gpu_) gpu_->Run([](StageRenderer& r) { r.ReleaseTextures(); });
  texture_states_.clear();
}
