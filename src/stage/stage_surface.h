#pragma once
// What the trial engine, the body update and the experiment driver use of the
// stage: the texture table with its pixel operations, text, sprites, frames, the
// letterbox of the 1024 x 768 virtual canvas, and the input latch.
//
// Qt-free. The pixel operations work on CPU-side buffers owned here; a subclass
// (the OpenGL stage window, or a recording fake in tests) supplies image
// decoding, text rasterising, sprite drawing and frame presentation, and uploads
// a texture to the GPU when it is unlocked.
//
// Pixels are 32-bit words in X8R8G8B8 layout (0xAARRGGBB; blue in the low byte).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stage/input_latch.h"

inline constexpr int32_t D3DFMT_UNKNOWN = 0;
inline constexpr int32_t D3DFMT_A8R8G8B8 = 21;
inline constexpr int32_t D3DFMT_X8R8G8B8 = 22;

struct TextureLockRecord {
  int32_t pitch = 0;        // bytes from one row to the next
  uint8_t* bits = nullptr;  // first pixel of level 0; valid until UnlockTexture
};

struct TextureEntry {
  std::vector<uint32_t> pixels;             // CPU copy, width * height words
  std::unique_ptr<TextureLockRecord> lock;  // present exactly while locked
  int32_t width = 0;
  int32_t height = 0;
  int32_t format = D3DFMT_X8R8G8B8;
  // Rows [ink_begin, ink_end) hold every non-zero word (they may hold zero
  // rows too). The pixel operations keep it; a lock taken by a caller makes it
  // the whole texture, since the caller may write anywhere. Mostly empty
  // textures (the text layer) are cleared and sent by these rows only.
  int32_t ink_begin = 0;
  int32_t ink_end = 0;

  void AddInk(int32_t begin, int32_t end);
};

struct TextRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct CanvasPoint {
  int32_t x = 0, y = 0;
};

class StageSurface {
 public:
  StageSurface();
  virtual ~StageSurface();
  StageSurface(const StageSurface&) = delete;
  StageSurface& operator=(const StageSurface&) = delete;

  // --- texture table: index = creation order from 0; -1 for a failed creation ---
  int AddTexture(int32_t width, int32_t height, int32_t format);
  int LoadTexture(const std::string& path);  // PNG at its own size, alpha kept
  bool ReleaseTextures();
  bool LockTexture(int index);
  bool UnlockTexture(int index);                     // hands the pixels to the GPU side
  const TextureLockRecord* LockOf(int index) const;  // null when not locked or no such index
  void ClearTexture(int index);
  void DrawLine(int index, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t value);
  void DrawDisc(int index, int32_t x, int32_t y, uint32_t colour);  // filled, radius 8
  void MirrorTexture(int index);                                    // left to right, in place
  virtual void DrawSprite(int index, float x, float y, uint32_t colour) = 0;

  // --- text into a texture, with m_fontFace / m_fontHeight / m_textColor / m_backColor ---
  void RenderText(int index, const std::string& text, const TextRect* rect, uint32_t format);

  // --- frames and the letterbox ---
  virtual bool BeginFrame() = 0;
  virtual void EndFrame() = 0;
  // Frames are numbered from 1 in the order EndFrame hands them over. The
  // number the next EndFrame gives (0 when this stage does not number them).
  virtual uint64_t NextFrameNumber() const { return 0; }
  // The first frame numbered `number` or later whose presentation has
  // completed, with the CLOCK_MONOTONIC time (ns) it completed; false when
  // none has yet, or the stage cannot tell. Frames replaced by a newer one
  // before they were drawn are never presented.
  virtual bool FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                                  int64_t* presented_ns) const {
    (void)number, (void)presented_number, (void)presented_ns;
    return false;
  }
  virtual uint64_t FramesPresented() const { return 0; }
  bool UpdateViewport();  // recomputes m_scale, m_offsetX, m_offsetY from the window size
  CanvasPoint WindowToCanvas(int32_t x, int32_t y) const;

  // --- input ---
  void ClearInput();

  bool IsValidIndex(int index) const { return index >= 0 && index < m_textureCount; }

  int32_t m_canvasWidth = 1024;
  int32_t m_canvasHeight = 768;
  int32_t m_windowWidth = 0;  // window pixels
  int32_t m_windowHeight = 0;
  double m_scale = 1.0;    // window pixels per canvas unit
  double m_offsetX = 0.0;  // margins, window pixels
  double m_offsetY = 0.0;
  std::string m_fontFace;           // empty: a Japanese-capable face
  int32_t m_fontHeight = 24;        // character cell height, pixels
  uint32_t m_textColor = 0xFFFFFF;  // 0x00BBGGRR
  uint32_t m_backColor = 0;
  int32_t m_textureCount = 0;
  std::vector<TextureEntry> m_textures;
  InputLatch m_input;

 protected:
  // Decodes an image file into ARGB words (straight alpha); false on failure.
  virtual bool DecodeImage(const std::string& path, int32_t& width, int32_t& height,
                           std::vector<uint32_t>& argb) = 0;
  // Draws text into a zeroed w x h buffer of 0x00RRGGBB words with the text settings.
  virtual void RasterizeText(const std::string& text, int32_t w, int32_t h, uint32_t format,
                             std::vector<uint32_t>& words) = 0;
  // Viewport of the graphics device; false when the device refuses it.
  virtual bool ApplyViewport() { return true; }
  // GPU side hooks: a texture was created, its pixels changed (unlock), all were released.
  virtual bool OnTextureCreated(int /*index*/) { return true; }
  virtual void OnTextureUnlocked(int /*index*/) {}
  virtual void OnTexturesReleased() {}
  // Told of every RenderText call before anything is drawn (test fakes record it).
  // RasterizeText must depend only on its arguments and the text settings:
  // RenderText keeps the last bitmap and draws it again while they are the same.
  virtual void OnRenderText(int /*index*/, const std::string& /*text*/, const TextRect* /*rect*/,
                            uint32_t /*format*/) {}

 private:
  // The last text lettered, by what its bitmap depends on, and the bitmap's
  // rows that hold non-zero words. The stage texts change about once a second
  // and are drawn every frame.
  struct LetteredText {
    std::string text, face;
    int32_t w = 0, h = 0, font_height = 0;
    uint32_t format = 0, text_colour = 0, back_colour = 0;
    int32_t first_row = 0;         // of the bitmap
    std::vector<uint32_t> rows;    // w words a row, from first_row
    bool operator==(const LetteredText& o) const;
  };

  int AppendTexture(TextureEntry entry);  // the new index, or -1 when the GPU side refuses
  const LetteredText& Letter(const std::string& text, int32_t w, int32_t h, uint32_t format);
  std::vector<uint32_t> text_words_;      // RenderText's bitmap, kept between calls
  LetteredText lettered_;
};
