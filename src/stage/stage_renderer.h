#pragma once
// The GPU side of the stage: the OpenGL context, the GPU copies of the
// textures, the sprite drawing, and presenting. It draws the frame packets the
// window composes.
//
// Only the thread that draws the frames touches a StageRenderer: it is reached
// through RendererHost, which runs it on the render thread or, when frames are
// drawn inside EndFrame, on the calling thread. Nothing here is locked.

#include <QImage>
#include <QOpenGLFunctions>
#include <QSurfaceFormat>
#include <cstdint>
#include <memory>
#include <vector>

#include "stage/device_kind.h"
#include "stage/frame_packet.h"
#include "stage/gl_sprite_renderer.h"

class QOpenGLContext;
class QScreen;
class QWindow;

// Colour buffer only, one frame per display refresh, reset notification on.
QSurfaceFormat StageSurfaceFormat(int32_t kind);

class StageRenderer {
 public:
  // `window` is the surface of every frame; it outlives the renderer.
  explicit StageRenderer(QWindow& window);
  // Frees no GL object: ReleaseContext first, on the drawing thread.
  ~StageRenderer();
  StageRenderer(const StageRenderer&) = delete;
  StageRenderer& operator=(const StageRenderer&) = delete;

  // Makes a context of `kind` on `screen` with working sprite shaders, current
  // on this thread; false (and no context) when the platform cannot. Call
  // without a context.
  bool CreateContext(int32_t kind, QScreen* screen);
  // Frees the sprites, the GPU textures and the context.
  void ReleaseContext();
  // After a loss: the context's objects died with it, they are only forgotten.
  void ForgetContext();
  bool HasContext() const { return context_ != nullptr; }
  // Largest texture side of the context; 0 before the first context.
  GLint MaxTextureSize() const { return max_texture_size_; }

  // The context current on this thread; true at once when it already is.
  bool MakeCurrent();
  // makeCurrent itself: where Qt asks the driver whether the context was reset.
  bool CheckContext();

  // Deletes every GPU texture (while the context works) and forgets them.
  void ReleaseTextures();
  // Sends rows [used_begin, used_end) of texture `index` (`rows` holds just
  // those); its other rows become zero.
  void UploadRows(int index, int32_t width, int32_t height, const uint32_t* rows,
                  int32_t used_begin, int32_t used_end);
  // Uploads the frame's texture copies, draws its sprites over black, keeps a
  // copy of it when asked (read_back) and presents it unless it is drawn for
  // the copy only. False when the context failed.
  bool Render(const FramePacket& frame);
  // The last copy kept by Render (null when none), handed over once.
  QImage TakeCopy();
  const QImage& LastCopy() const { return copy_; }

  // Frames are drawn without the work that cannot show: rows of a texture
  // that hold only zero words where they would land on black, and, with a
  // software rasteriser, the clear under an opaque sprite that is drawn over
  // it. Whole: every sprite drawn whole over a full clear, the reference
  // the trimmed frames must equal (tests and benchmarks compare them).
  void SetDrawWhole(bool whole) { draw_whole_ = whole; }
  // Rasterised on the CPU (Mesa llvmpipe, softpipe, SwiftShader).
  bool SoftwareRasteriser() const { return software_; }

 private:
  struct GpuTexture {
    GLuint id = 0;
    // Rows that held non-zero words at the last upload; all others were zero.
    int32_t used_begin = 0;
    int32_t used_end = 0;
    int32_t height = 0;
  };

  void Draw(const FramePacket& frame);
  void DrawWhole(const FramePacket& frame);
  const GpuTexture* TextureOf(const SpriteDraw& d) const;
  int CoveringDraw(const FramePacket& frame, PixelRect* interior) const;
  static PixelRect InkBand(const SpriteDraw& d, const GpuTexture& t, bool outer);
  QImage ReadBack(int32_t width, int32_t height);
  void DeleteTextures();

  QWindow& window_;
  std::unique_ptr<QOpenGLContext> context_;
  GlSpriteRenderer sprites_;
  std::vector<GpuTexture> gpu_textures_;
  std::vector<uint32_t> zero_rows_;  // source of cleared rows, grown as needed
  GLint max_texture_size_ = 0;
  bool software_ = false;
  bool draw_whole_ = false;
  QImage copy_;  // see Render
};
