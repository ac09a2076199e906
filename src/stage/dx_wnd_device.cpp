// CDXWnd: choosing, releasing and recovering the OpenGL context. The context
// itself lives in the StageRenderer on the drawing thread; this side keeps
// what it needs to know of it (has_context_, max_texture_size_).

#include <QScreen>
#include <cmath>

#include "stage/dx_wnd.h"
#include "stage/render_priority.h"
#include "stage/renderer_host.h"
#include "stage/text_rasterizer.h"

namespace {

constexpr auto kRecoveryInterval = std::chrono::milliseconds(250);

}  // namespace

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
  if (!gpu_) gpu_ = std::make_unique<RendererHost>(*window_);
  ReleaseContext();
  m_deviceLost = false;
  gpu_->TakeLost();
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
  Text().FontFor(TextStyle{m_fontFace, m_fontHeight, m_textColor, m_backColor});
  PresentBlackFrame();
  return true;
}

// Until the first frame of a run, the window would show whatever was on the
// screen before it.
void CDXWnd::PresentBlackFrame() {
  if (!BeginFrame()) return;
  EndFrame();
  gpu_->WaitIdle();
}

// Made on the drawing thread and current there.
bool CDXWnd::CreateRenderContext(int32_t kind) {
  QScreen* screen = window_->screen();
  bool created = false;
  int32_t max_texture_size = 0;
  gpu_->Run([&](StageRenderer& r) {
    created = r.CreateContext(kind, screen);
    max_texture_size = r.MaxTextureSize();
  });
  if (!created) return false;
  has_context_ = true;
  max_texture_size_ = max_texture_size;
  // The software rasteriser's workers exist once there is a context.
  if (gpu_->Threaded()) IdleSoftwareRasteriserWorkers();
  return true;
}

void CDXWnd::ForgetGpuTextures() {
  for (TextureState& t : texture_states_) t = TextureState{};
}

void CDXWnd::ReleaseContext() {
  if (gpu_) gpu_->Run([](StageRenderer& r) { r.ReleaseContext(); });
  has_context_ = false;
  ForgetGpuTextures();
  device_created_ = false;
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
  gpu_->Run([](StageRenderer& r) { r.ForgetContext(); });
  has_context_ = false;
  ForgetGpuTextures();
  gpu_->TakeLost();
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
