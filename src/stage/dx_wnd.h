#pragma once
// The stage window: the 1024 x 768 virtual canvas letterboxed into a
// full-screen window, drawn with OpenGL (QWindow + QOpenGLContext, swap
// interval 1, so one frame is shown per display refresh).
//
// One object serves every run; its native window exists only during a run.
// The object is built before the QGuiApplication and touches no Qt object
// until CreateEx. Per run, the experiment driver calls, in this order:
//
//   window.CreateFullScreen("Experiment Window");  // window shown, exposed
//   window.InitDevice();                           // context, sprites, texture 0
//   window.AddTexture(960, 540, D3DFMT_X8R8G8B8);  // body texture, then
//   window.LoadTexture("stim/balloon0.png"); ...   // the stimuli
//   ... the trial loop: RenderText, BeginFrame, DrawSprite..., EndFrame ...
//   window.ReleaseTextures();
//   window.DestroyWindow();                        // sprites, font, textures,
//                                                  // context, then the window
//
// This object lives on the thread of the trial loop: it owns the window, the
// CPU copies of the textures, the text and the letterbox, and composes each
// frame into a FramePacket. The GPU side (context, GPU textures, sprite
// drawing, presenting) is a StageRenderer that only the drawing thread touches;
// RendererHost runs it on the render thread, or inline inside EndFrame without
// threaded OpenGL or with TAVELIN2_STAGE_SYNC=1. A frame handed over while the
// previous one is still being drawn replaces the one waiting (latest wins).
//
// A texture is sent to the GPU when it is first drawn after an unlock, so
// several writes within a frame cost one upload and a locked texture shows its
// last unlocked state. Threaded, the frame carries a copy of its used rows.
//
// A lost context (GPU reset, driver restart) is noticed when a frame begins or
// is presented; the next frames recreate the context and re-upload every
// texture from its CPU copy. While that fails, BeginFrame returns false and
// m_deviceLost is set; a new attempt is made at most every 250 ms.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "stage/device_kind.h"
#include "stage/frame_packet.h"
#include "stage/stage_qwindow.h"
#include "stage/stage_surface.h"

class RendererHost;
class TextRasterizer;

class CDXWnd : public StageSurface, public StageWindowEvents {
 public:
  CDXWnd();
  ~CDXWnd() override;

  // Creates and shows the window over the rectangle (physical screen pixels)
  // and waits (up to 2 s) until it is on screen. A rectangle equal to a
  // screen's makes it full-screen on that screen. False without a
  // QGuiApplication, while a window exists, or when the platform refuses.
  bool CreateEx(const std::string& title, int32_t x, int32_t y, int32_t width, int32_t height,
                QWindow* owner = nullptr);
  // Full-screen on the primary screen.
  bool CreateFullScreen(const std::string& title, QWindow* owner = nullptr);
  // Releases the sprites, the font, every texture and the context, then the
  // window. Nothing happens when there is no window.
  void DestroyWindow();
  bool HasWindow() const { return window_ != nullptr; }
  // Called when someone tries to close the window, which stays open: the
  // program says how a run ends instead of ignoring the request without a word.
  void SetCloseRequestHandler(std::function<void()> handler) {
    close_request_handler_ = std::move(handler);
  }
  QWindow* GetWindow() const { return window_.get(); }

  // Creates what the stage draws with, and shows the window black; false at
  // the first failure (no window, no context of any kind, no usable shaders,
  // viewport, or text layer).
  bool InitDevice();

  bool BeginFrame() override;
  void EndFrame() override;
  uint64_t NextFrameNumber() const override { return frames_ended_ + 1; }
  bool FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                          int64_t* presented_ns) const override;
  uint64_t FramesPresented() const override;
  void DrawSprite(int index, float x, float y, uint32_t colour) override;

  bool m_deviceLost = false;
  int32_t m_deviceKind = kDeviceNone;
  int32_t m_recoveries = 0;  // contexts recreated after a loss

 protected:
  // StageSurface
  bool DecodeImage(const std::string& path, int32_t& width, int32_t& height,
                   std::vector<uint32_t>& argb) override;
  void RasterizeText(const std::string& text, int32_t w, int32_t h, uint32_t format,
                     std::vector<uint32_t>& words) override;
  bool ApplyViewport() override;
  bool OnTextureCreated(int index) override;
  void OnTextureUnlocked(int index) override;
  void OnTexturesReleased() override;

  // StageWindowEvents
  void OnWindowResized() override;
  void OnCloseRequested() override {
    if (close_request_handler_) close_request_handler_();
  }

  // The window was created (before it is shown).
  virtual void OnWindowCreated() {}
  // The release order of a destroyed window; subclasses add their own state.
  virtual void OnDestroy();

  // Physical pixels per logical pixel of the window.
  double PixelRatio() const;

 private:
  // Tests look at frames and the render thread through it.
  friend class TestStage;

  // This thread's view of a texture.
  struct TextureState {
    bool dirty = true;  // the CPU copy changed since it was last sent
    bool sent = false;  // sent since the texture or the context was created
  };

  // Sends the used rows of a texture with the frame (threaded) or at once.
  void SendTexture(int index);
  void FillFrameHeader(FramePacket& frame);
  void PresentBlackFrame();
  TextRasterizer& Text();

  // Context set-up, release and recovery (dx_wnd_device.cpp).
  bool CreateRenderContext(int32_t kind);
  void ReleaseContext();
  void ForgetGpuTextures();
  bool TryRecover();
  void ReadWindowSize();

  std::unique_ptr<StageQWindow> window_;
  std::function<void()> close_request_handler_;
  std::unique_ptr<TextRasterizer> text_;
  std::unique_ptr<RendererHost> gpu_;  // per window, from InitDevice
  std::vector<TextureState> texture_states_;
  FramePacket frame_;  // the frame being composed
  // What this thread knows of the renderer's context since its last set-up,
  // release or recovery (a loss seen while drawing arrives at BeginFrame).
  bool has_context_ = false;
  int32_t max_texture_size_ = 0;
  bool device_created_ = false;  // InitDevice got a context in this window
  bool frame_open_ = false;
  uint64_t frames_ended_ = 0;    // frames handed to the renderer, ever
  bool keep_presented_ = false;  // every presented frame is copied (tests)
  std::chrono::steady_clock::time_point last_recovery_attempt_{};
};
