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
// Texture pixels live in the CPU copy of the texture table; a texture is sent
// to the GPU when it is first drawn after an unlock, so several writes within a
// frame cost one upload and a locked texture shows its last unlocked state.
//
// A lost context (GPU reset, driver restart) is noticed when a frame begins or
// is presented; the next frames recreate the context and re-upload every
// texture from its CPU copy. While that fails, BeginFrame returns false and
// m_deviceLost is set; a new attempt is made at most every 250 ms.
//
// Frames are drawn and presented on a render thread that owns the context
// while frames run: EndFrame hands over the sprite draws and copies of the
// textures that changed, and returns without waiting for the rasteriser or the
// display's refresh. A frame handed over while the previous one is still being
// drawn replaces the one waiting (latest wins). Everything else that needs the
// context (set-up, texture release, recovery, tear-down) takes it back to the
// calling thread between frames. Without threaded OpenGL, or with
// TAVELIN2_STAGE_SYNC=1, frames are drawn and presented inside EndFrame.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stage/frame_packet.h"
#include "stage/gl_sprite_renderer.h"
#include "stage/stage_qwindow.h"
#include "stage/stage_surface.h"

class QImage;
class QOpenGLContext;
class QThread;
class RenderThread;
class TextRasterizer;

// The kinds of context InitDevice tries, in this order.
enum DeviceKind : int32_t {
  kDeviceNone = -1,
  kDeviceDesktopGL = 0,  // desktop OpenGL 2.1 or later
  kDeviceGLES2 = 1,      // OpenGL ES 2.0
  kDeviceAnyGL = 2,      // whatever context the platform offers
};

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
  QWindow* GetWindow() const { return window_.get(); }

  // Creates what the stage draws with, and shows the window black; false at
  // the first failure (no window, no context of any kind, no usable shaders,
  // viewport, or text layer).
  bool InitDevice();

  bool BeginFrame() override;
  void EndFrame() override;
  void DrawSprite(int index, float x, float y, uint32_t colour) override;

  // The frame being drawn (call between BeginFrame and EndFrame), as
  // m_windowWidth x m_windowHeight RGB32; null outside a frame. Waits for the
  // render thread (tests only).
  QImage GrabFrame();
  // Throws the context away as a GPU reset would (tests of the recovery).
  void SimulateContextLoss();

  // Frames go to the render thread (false: drawn inside EndFrame). Known
  // after InitDevice.
  bool IsThreaded() const { return render_thread_ != nullptr; }
  // Frames drawn and presented, and frames replaced by a newer one before
  // they were drawn, since InitDevice.
  uint64_t FramesPresented() const;
  uint64_t FramesReplaced() const;
  // Tests of the hand-over: while held the render thread takes no frame.
  void HoldRenderThread(bool hold);
  // Tests: keep a copy of every presented frame; LastPresentedFrame waits for
  // the frames handed over and returns the last one drawn.
  void KeepPresentedFrames(bool keep) { keep_presented_ = keep; }
  QImage LastPresentedFrame();
  // The family the text of the current settings is lettered in.
  std::string TextFontFamily();

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

  // The window was created (before it is shown).
  virtual void OnWindowCreated() {}
  // The release order of a destroyed window; subclasses add their own state.
  virtual void OnDestroy();

  // Physical pixels per logical pixel of the window.
  double PixelRatio() const;

 private:
  // Owned by the thread that holds the context.
  struct GpuTexture {
    GLuint id = 0;
    // Rows that held non-zero words at the last upload; all others were zero.
    int32_t used_begin = 0;
    int32_t used_end = 0;
  };
  // The UI thread's view of a texture.
  struct TextureState {
    bool dirty = true;  // the CPU copy changed since it was last sent
    bool sent = false;  // sent since the texture or the context was created
  };
  // Takes the context back from the render thread for the length of a scope.
  class ContextHere;

  // Sends rows [used_begin, used_end) (`rows` holds just those); the others
  // become zero.
  void UploadRows(int index, int32_t width, int32_t height, const uint32_t* rows,
                  int32_t used_begin, int32_t used_end);
  // Draws the frame's sprites over black (the thread holding the context).
  void DrawPacket(const FramePacket& frame);
  // Uploads, draws and presents a handed-over frame (the render thread).
  void RenderPacket(FramePacket& frame);
  QImage ReadBack(int32_t width, int32_t height);
  void PresentBlackFrame();
  void FillFrameHeader(FramePacket& frame);

  bool CreateContext(int32_t kind);
  bool CreateRenderContext(int32_t kind);  // on the thread that draws the frames
  void ReleaseContext();
  bool MakeCurrent();
  bool TryRecover();
  void ReadWindowSize();
  void StartRenderThread();
  void StopRenderThread();
  void AttachContext();  // hands the context to the render thread
  void DetachContext();  // takes it back, dropping a frame not yet begun

  std::unique_ptr<StageQWindow> window_;
  std::unique_ptr<QOpenGLContext> context_;
  std::unique_ptr<TextRasterizer> text_;
  GlSpriteRenderer sprites_;
  std::vector<GpuTexture> gpu_textures_;
  std::vector<uint32_t> zero_rows_;  // source of cleared rows, grown as needed
  std::vector<TextureState> texture_states_;
  FramePacket frame_;  // the frame being composed
  GLint max_texture_size_ = 0;
  bool device_created_ = false;  // InitDevice got a context in this window
  bool frame_open_ = false;
  std::chrono::steady_clock::time_point last_recovery_attempt_{};

  std::unique_ptr<RenderThread> render_thread_;
  QThread* ui_thread_ = nullptr;
  bool context_attached_ = false;         // the render thread holds the context
  std::atomic<bool> render_lost_{false};  // the render thread saw the context fail
  uint64_t sync_presented_ = 0;
  std::atomic<bool> keep_presented_{false};
  std::unique_ptr<QImage> presented_copy_;  // see KeepPresentedFrames
};
