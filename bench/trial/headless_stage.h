#pragma once
// A stage for benchmarks of the trial engine: the real texture table and pixel
// operations (clear, text copy, mirror) at the size of a real run, with sprite
// drawing, text rasterising and presentation left out (the stage's own
// benchmarks measure those on the OpenGL window).

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "stage/stage_surface.h"
#include "trial/run_state.h"
#include "trial/trial_ports.h"

// The textures the experiment driver adds after the text layer: the body
// texture, four balloons and the burst (128 x 128 images with alpha).
inline RunTextures AddRunTextures(StageSurface& stage) {
  RunTextures textures;
  textures.body = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  auto image = [&stage] {
    const int index = stage.AddTexture(128, 128, D3DFMT_A8R8G8B8);
    stage.LockTexture(index);
    std::fill(stage.m_textures[index].pixels.begin(), stage.m_textures[index].pixels.end(),
              0xC0FF4040u);
    stage.UnlockTexture(index);
    return index;
  };
  for (int i = 0; i < 4; ++i) textures.balloons[i] = image();
  textures.burst = image();
  return textures;
}

class HeadlessStage : public StageSurface {
 public:
  // A full-screen window of the given size, with the run's textures.
  HeadlessStage(int32_t window_width, int32_t window_height) {
    m_windowWidth = window_width;
    m_windowHeight = window_height;
    UpdateViewport();
    AddTexture(m_canvasWidth, m_canvasHeight, D3DFMT_X8R8G8B8);  // text layer
    textures = AddRunTextures(*this);
  }

  void DrawSprite(int index, float, float, uint32_t) override {
    if (IsValidIndex(index)) ++sprites;
  }
  bool BeginFrame() override { return true; }
  // No display: a frame counts as presented when it is ended.
  void EndFrame() override {
    ++frames;
    presented_ns_ = MonotonicNow_ns();
  }
  uint64_t NextFrameNumber() const override { return static_cast<uint64_t>(frames) + 1; }
  bool FirstPresentedFrom(uint64_t number, uint64_t* presented_number,
                          int64_t* presented_ns) const override {
    if (frames == 0 || static_cast<uint64_t>(frames) < number) return false;
    *presented_number = static_cast<uint64_t>(frames);
    *presented_ns = presented_ns_;
    return true;
  }
  uint64_t FramesPresented() const override { return static_cast<uint64_t>(frames); }

  RunTextures textures;
  int64_t sprites = 0;
  int64_t frames = 0;

 private:
  static int64_t MonotonicNow_ns() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  }
  int64_t presented_ns_ = 0;

 public:
 protected:
  bool DecodeImage(const std::string&, int32_t& width, int32_t& height,
                   std::vector<uint32_t>& argb) override {
    width = height = 128;
    argb.assign(128 * 128, 0xFFFF0000u);
    return true;
  }
  // A line of 24 glyph cells of 32 x 32 with a few lit pixels each, so that the
  // copy into the text layer has about as much to do as with real glyphs.
  void RasterizeText(const std::string&, int32_t w, int32_t h, uint32_t,
                     std::vector<uint32_t>& words) override {
    for (int32_t y = 4; y < 28 && y < h; y += 2)
      for (int32_t x = 2; x < 24 * 32 && x < w; x += 3) words[size_t(y) * w + x] = 0xFFFFFF;
  }
};

class NullCursor : public CursorPort {
 public:
  void Hide() override {}
  void Show() override {}
  void SetPos(int32_t x, int32_t y) override { pos_ = {x, y}; }
  ScreenPoint GetPos() const override { return pos_; }

 private:
  ScreenPoint pos_;
};

class NullSound : public SoundPort {
 public:
  void PlayAsync(const std::string&) override { ++played; }
  int64_t played = 0;
};

// Two children as the sensor would report them, standing left and right of
// the draw area.
inline void FillTwoChildren(TrackedBody* bodies) {
  for (int i = 0; i < 2; ++i) {
    TrackedBody& b = bodies[i];
    const int32_t cx = i == 0 ? 120 : 840;
    b.tracked = 1;
    b.id = 1000 + i;
    b.head_dist = 2.0 + i * 0.3;
    b.head_x = cx, b.head_y = 120;
    b.spine_shoulder_x = cx, b.spine_shoulder_y = 170;
    b.spine_mid_x = cx, b.spine_mid_y = 240;
    b.spine_base_x = cx, b.spine_base_y = 310;
    b.shoulder_lx = cx - 40, b.shoulder_ly = 175;
    b.shoulder_rx = cx + 40, b.shoulder_ry = 175;
    b.elbow_lx = cx - 60, b.elbow_ly = 240;
    b.elbow_rx = cx + 60, b.elbow_ry = 240;
    b.hand_lx = cx - 70, b.hand_ly = 300;
    b.hand_rx = cx + 70, b.hand_ry = 300;
    b.hand_l = kHandPaper, b.hand_r = kHandRock;
    b.hip_lx = cx - 25, b.hip_ly = 320;
    b.hip_rx = cx + 25, b.hip_ry = 320;
    b.knee_lx = cx - 28, b.knee_ly = 410;
    b.knee_rx = cx + 28, b.knee_ry = 410;
    b.foot_lx = cx - 30, b.foot_ly = 500;
    b.foot_rx = cx + 30, b.foot_ry = 500;
  }
}
