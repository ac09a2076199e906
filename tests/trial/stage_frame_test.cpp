// The frame of a drawn pass: text line, camera picture, balloon or fading burst.

#include <gtest/gtest.h>

#include <string>

#include "run_harness.h"
#include "trial/stage_frame.h"

namespace {

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(StageText, PromptUntilTheFirstPopThenTimeAndCount) {
  // UTF-8 bytes spelled out: ASCII ": " after じかん, two U+3000 (E3 80 80), and
  // a full-width colon U+FF1A (EF BC 9A) plus a space after ふうせん.
  const std::string jikan = "\xE3\x81\x98\xE3\x81\x8B\xE3\x82\x93";               // じかん
  const std::string fuusen = "\xE3\x81\xB5\xE3\x81\x86\xE3\x81\x9B\xE3\x82\x93";  // ふうせん
  const std::string gap = "\xE3\x80\x80\xE3\x80\x80";
  const std::string colon = "\xEF\xBC\x9A ";
  struct Case {
    int32_t clock_ms, popped;
    std::string expected;
  } cases[] = {
      {0, 1, jikan + ": 0" + gap + fuusen + colon + "1"},
      {999, 1, jikan + ": 0" + gap + fuusen + colon + "1"},
      {1999, 3, jikan + ": 1" + gap + fuusen + colon + "3"},
      {59999, 12, jikan + ": 59" + gap + fuusen + colon + "12"},
      {-1500, 2, jikan + ": -1" + gap + fuusen + colon + "2"},  // truncates toward zero
  };
  for (const Case& c : cases) EXPECT_EQ(Hex(StageText(c.clock_ms, c.popped)), Hex(c.expected));
  EXPECT_EQ(StageText(12345, 0), "ふうせんを わったら，はじまります。");
}

TEST(StageText, BurstFadesFromOpaqueToNothingInASecond) {
  struct Case {
    int32_t left_ms;  // feedback_end - clock
    uint32_t alpha;
  } cases[] = {
      {1000, 255}, {997, 255}, {996, 254}, {500, 128}, {4, 1},
      {3, 0},      {1, 0},     {7000, 255}};  // a pause that ends far ahead after the clock restart
  for (const Case& c : cases) EXPECT_EQ(BurstAlpha(5000, 5000 + c.left_ms), c.alpha) << c.left_ms;
}

class ComposeFrameTest : public testing::Test {
 protected:
  RunHarness h;  // stage with text layer 0, body 1, balloons 2..5, burst 6
  Target target;

  void SetUp() override {
    target.hit_rect = HitRect{300, 200, 428, 328};
    target.target_x = 364;
    target.target_y = 264;
  }
  std::vector<RecordingStage::Sprite> Compose(int32_t clock_ms, int32_t feedback_end_ms) {
    ComposeFrame(h.stage, h.run, clock_ms, target, feedback_end_ms);
    return h.stage.SpritesOfFrame(h.stage.begin_count);
  }
};

TEST_F(ComposeFrameTest, TextLayerPictureAndBalloonInThatOrder) {
  h.stage.m_fontHeight = 12;
  h.stage.m_textColor = 0x0000FF;
  target.shown = 1;
  target.tgthand = 2;
  const auto sprites = Compose(1234, 0);
  ASSERT_EQ(sprites.size(), 3u);
  EXPECT_EQ(sprites[0].index, 0);
  EXPECT_EQ(sprites[0].x, 0.0f);
  EXPECT_EQ(sprites[0].y, 0.0f);
  EXPECT_EQ(sprites[0].colour, 0xFFFFFFFFu);
  EXPECT_EQ(sprites[1].index, h.run.textures.body);
  EXPECT_EQ(sprites[1].x, 32.0f);
  EXPECT_EQ(sprites[1].y, 114.0f);
  EXPECT_EQ(sprites[1].colour, 0xFFFFFFFFu);
  EXPECT_EQ(sprites[2].index, h.run.textures.balloons[2]);
  EXPECT_EQ(sprites[2].x, 332.0f);
  EXPECT_EQ(sprites[2].y, 314.0f);
  EXPECT_EQ(sprites[2].colour, 0xFFFFFFFFu);
  EXPECT_EQ(h.stage.begin_count, 1);
  EXPECT_EQ(h.stage.end_count, 1);

  ASSERT_EQ(h.stage.texts.size(), 1u);
  const auto& text = h.stage.texts[0];
  EXPECT_EQ(text.text, "ふうせんを わったら，はじまります。");  // trial_count 0
  EXPECT_EQ(text.index, 0);
  EXPECT_EQ(text.font_height, 32);
  EXPECT_EQ(text.text_colour, 0xFFFFFFu);
  EXPECT_EQ(text.format, 0u);
}

TEST_F(ComposeFrameTest, TextLayerIsClearedBeforeTheTextGoesIn) {
  h.stage.LockTexture(0);
  reinterpret_cast<uint32_t*>(h.stage.LockOf(0)->bits)[700 * 1024 + 5] = 0xFF123456;
  h.stage.UnlockTexture(0);
  h.run.trial_count = 4;
  Compose(8500, 0);
  EXPECT_EQ(h.stage.Pixel(0, 5, 700), 0u);
  EXPECT_EQ(h.stage.texts.back().text, StageText(8500, 4));
  EXPECT_EQ(h.stage.Pixel(0, 0, 0), 0xFFFFFFFFu);  // the fake's trace of the text
}

TEST_F(ComposeFrameTest, PictureIsFlippedInEveryFrameWhileMirrorIsOff) {
  h.stage.LockTexture(h.run.textures.body);
  reinterpret_cast<uint32_t*>(h.stage.LockOf(h.run.textures.body)->bits)[10 * 960 + 0] = 0xFFABCDEF;
  h.stage.UnlockTexture(h.run.textures.body);
  h.run.settings.mirror = 1;
  Compose(0, 0);
  EXPECT_EQ(h.stage.Pixel(h.run.textures.body, 0, 10), 0xFFABCDEFu);
  h.run.settings.mirror = 0;
  Compose(0, 0);
  EXPECT_EQ(h.stage.Pixel(h.run.textures.body, 959, 10), 0xFFABCDEFu);
  EXPECT_EQ(h.stage.Pixel(h.run.textures.body, 0, 10), 0u);
}

TEST_F(ComposeFrameTest, BurstAfterThePopUntilThePauseEnds) {
  struct Case {
    int32_t clock_ms, feedback_end_ms;
    bool burst;
    uint32_t colour;
  } cases[] = {
      {5000, 6000, true, 0xFFFFFFFFu},  // the frame of the pop: fully opaque
      {5500, 6000, true, 0x80FFFFFFu}, {5999, 6000, true, 0x00FFFFFFu},
      {6000, 6000, false, 0},          {100, 0, false, 0},  // no pause
  };
  target.shown = 0;
  target.tgthand = 1;
  for (const Case& c : cases) {
    const auto sprites = Compose(c.clock_ms, c.feedback_end_ms);
    ASSERT_EQ(sprites.size(), c.burst ? 3u : 2u) << c.clock_ms;
    if (!c.burst) continue;
    EXPECT_EQ(sprites[2].index, h.run.textures.burst);
    EXPECT_EQ(sprites[2].x, 332.0f);
    EXPECT_EQ(sprites[2].y, 314.0f);
    EXPECT_EQ(sprites[2].colour, c.colour) << c.clock_ms;
  }
}

TEST_F(ComposeFrameTest, FrameIsDrawnAndPresentedEvenWhenItCannotBegin) {
  h.stage.begin_result = false;
  target.shown = 1;
  EXPECT_EQ(Compose(0, 0).size(), 3u);
  EXPECT_EQ(h.stage.end_count, 1);
}

}  // namespace
