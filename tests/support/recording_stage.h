#pragma once
// A StageSurface without a window for tests of the parts that draw: it keeps
// the real texture table and pixel operations, and records what would have
// reached the screen (sprites, texts, frames, uploads).
//
//   RecordingStage stage;
//   stage.AddImage("stim/balloon0.png", 128, 128);  // LoadTexture finds it
//   stage.InitLikeDevice();                          // text layer as texture 0
//   ... code under test ...
//   EXPECT_EQ(stage.sprites[0].index, 0);
//
// RasterizeText marks the first byte-count pixels of row 0 with the text
// colour (as 0x00RRGGBB), so a rendered text leaves a visible trace in the
// texture and the copy rules of RenderText apply to it.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "stage/stage_surface.h"

class RecordingStage : public StageSurface {
 public:
  struct Sprite {
    int index = 0;
    float x = 0, y = 0;
    uint32_t colour = 0;
    int frame = 0;  // number of BeginFrame calls before this draw
  };
  struct Text {
    std::string text;
    int index = 0;
    int32_t font_height = 0;
    uint32_t text_colour = 0;  // m_textColor as it was (0x00BBGGRR)
    std::string font_face;
    uint32_t format = 0;
  };
  struct Image {
    int32_t width = 0, height = 0;
    uint32_t fill = 0xFF808080;  // every pixel of the decoded image
  };

  std::vector<Sprite> sprites;
  std::vector<Text> texts;
  std::vector<int> unlocked;  // texture index of every upload, in order
  int begin_count = 0;
  int end_count = 0;
  int release_count = 0;
  bool begin_result = true;     // what BeginFrame returns
  bool viewport_result = true;  // what ApplyViewport returns
  bool create_result = true;    // what the GPU side says to a new texture
  std::map<std::string, Image> images;

  // Makes LoadTexture(path) succeed with an image of that size.
  void AddImage(const std::string& path, int32_t width, int32_t height,
                uint32_t fill = 0xFF808080) {
    images[path] = Image{width, height, fill};
  }

  // What the real window's InitDevice leaves: a window of the given size, the
  // letterbox, and the 1024 x 768 text layer as texture 0.
  int InitLikeDevice(int32_t window_width = 1024, int32_t window_height = 768) {
    m_windowWidth = window_width;
    m_windowHeight = window_height;
    UpdateViewport();
    return AddTexture(m_canvasWidth, m_canvasHeight, D3DFMT_X8R8G8B8);
  }

  void DrawSprite(int index, float x, float y, uint32_t colour) override {
    if (!IsValidIndex(index)) return;
    sprites.push_back(Sprite{index, x, y, colour, begin_count});
  }
  bool BeginFrame() override {
    ++begin_count;
    return begin_result;
  }
  void EndFrame() override {
    ++end_count;
    if (now_ns) end_times_ns.push_back(now_ns());
  }
  std::vector<int64_t> end_times_ns;  // of each EndFrame, while now_ns is set

  // Frame numbers and presentation, as a test states them: with present_time_ns
  // set, frames are numbered and frame n (from 1) completes its presentation at
  // present_time_ns(n) (0: replaced, never presented), seen once now_ns()
  // has reached that time.
  std::function<int64_t(uint64_t frame)> present_time_ns;
  std::function<int64_t()> now_ns;
  uint64_t NextFrameNumber() const override {
    return present_time_ns ? static_cast<uint64_t>(end_count) + 1 : 0;
  }
  bool FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                          int64_t* presented_ns) const override {
    if (!present_time_ns) return false;
    for (uint64_t n = number; n <= static_cast<uint64_t>(end_count); ++n) {
      const int64_t at = present_time_ns(n);
      if (at == 0 || (now_ns && at > now_ns())) continue;
      *presented_number = n;
      *presented_ns = at;
      return true;
    }
    return false;
  }
  uint64_t FramesPresented() const override {
    uint64_t presented = 0;
    for (uint64_t n = 1; present_time_ns && n <= static_cast<uint64_t>(end_count); ++n) {
      const int64_t at = present_time_ns(n);
      if (at != 0 && (!now_ns || at <= now_ns())) ++presented;
    }
    return presented;
  }

  // Sprites drawn after the n-th BeginFrame (n from 1).
  std::vector<Sprite> SpritesOfFrame(int n) const {
    std::vector<Sprite> out;
    for (const Sprite& s : sprites)
      if (s.frame == n) out.push_back(s);
    return out;
  }

  uint32_t Pixel(int index, int32_t x, int32_t y) const {
    const TextureEntry& e = m_textures.at(index);
    return e.pixels.at(static_cast<size_t>(y) * e.width + x);
  }

 protected:
  bool DecodeImage(const std::string& path, int32_t& width, int32_t& height,
                   std::vector<uint32_t>& argb) override {
    auto it = images.find(path);
    if (it == images.end()) return false;
    width = it->second.width;
    height = it->second.height;
    argb.assign(static_cast<size_t>(width) * height, it->second.fill);
    return true;
  }
  void OnRenderText(int index, const std::string& text, const TextRect*, uint32_t format) override {
    texts.push_back(Text{text, index, m_fontHeight, m_textColor, m_fontFace, format});
  }
  void RasterizeText(const std::string& text, int32_t w, int32_t h, uint32_t /*format*/,
                     std::vector<uint32_t>& words) override {
    if (h <= 0) return;
    // 0x00BBGGRR to 0x00RRGGBB
    const uint32_t c = m_textColor;
    const uint32_t word = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    for (int32_t i = 0; i < w && i < static_cast<int32_t>(text.size()); ++i) words[i] = word;
  }
  bool ApplyViewport() override { return viewport_result; }
  bool OnTextureCreated(int) override { return create_result; }
  void OnTextureUnlocked(int index) override { unlocked.push_back(index); }
  void OnTexturesReleased() override { ++release_count; }
};
