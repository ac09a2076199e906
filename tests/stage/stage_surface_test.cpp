// Texture table, pixel operations, text copy and letterbox of the stage, run on
// the recording stage (no window, no GPU).

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "support/recording_stage.h"

namespace {

using Point = std::pair<int32_t, int32_t>;

// Every pixel of the texture that holds `value`.
std::set<Point> PixelsWith(const RecordingStage& stage, int index, uint32_t value) {
  std::set<Point> out;
  const TextureEntry& e = stage.m_textures[index];
  for (int32_t y = 0; y < e.height; ++y)
    for (int32_t x = 0; x < e.width; ++x)
      if (e.pixels[static_cast<size_t>(y) * e.width + x] == value) out.insert({x, y});
  return out;
}

// ---------------------------------------------------------------- letterbox

struct LetterboxCase {
  int32_t width, height;
  double scale, offset_x, offset_y;
};

class LetterboxTest : public testing::TestWithParam<LetterboxCase> {};

TEST_P(LetterboxTest, ScaleAndMarginsFollowTheWindow) {
  const LetterboxCase& c = GetParam();
  RecordingStage stage;
  stage.m_windowWidth = c.width;
  stage.m_windowHeight = c.height;
  ASSERT_TRUE(stage.UpdateViewport());
  EXPECT_DOUBLE_EQ(stage.m_scale, c.scale);
  EXPECT_DOUBLE_EQ(stage.m_offsetX, c.offset_x);
  EXPECT_DOUBLE_EQ(stage.m_offsetY, c.offset_y);
}

INSTANTIATE_TEST_SUITE_P(Windows, LetterboxTest,
                         testing::Values(LetterboxCase{1024, 768, 1.0, 0.0, 0.0},
                                         LetterboxCase{1920, 1080, 1.40625, 240.0, 0.0},
                                         LetterboxCase{1280, 1024, 1.25, 0.0, 32.0},
                                         LetterboxCase{2048, 1536, 2.0, 0.0, 0.0},
                                         LetterboxCase{1366, 768, 1.0, 171.0, 0.0}));

TEST(Letterbox, RefusedViewportOrEmptyWindowKeepsTheOldLetterbox) {
  RecordingStage stage;
  stage.m_windowWidth = 1920;
  stage.m_windowHeight = 1080;
  ASSERT_TRUE(stage.UpdateViewport());

  stage.viewport_result = false;
  stage.m_windowWidth = 1280;
  stage.m_windowHeight = 1024;
  EXPECT_FALSE(stage.UpdateViewport());
  EXPECT_DOUBLE_EQ(stage.m_scale, 1.40625);
  EXPECT_DOUBLE_EQ(stage.m_offsetX, 240.0);

  stage.viewport_result = true;
  stage.m_windowWidth = 0;
  stage.m_windowHeight = 0;
  EXPECT_FALSE(stage.UpdateViewport());
  EXPECT_DOUBLE_EQ(stage.m_scale, 1.40625);
}

TEST(Letterbox, WindowToCanvasAt1920x1080TruncatesTowardZero) {
  RecordingStage stage;
  stage.m_windowWidth = 1920;
  stage.m_windowHeight = 1080;
  ASSERT_TRUE(stage.UpdateViewport());
  struct Case {
    int32_t wx, wy, cx, cy;
  };
  for (const Case& c : {Case{240, 0, 0, 0}, Case{1679, 1079, 1023, 767}, Case{239, 0, 0, 0},
                        Case{0, 0, -170, 0}, Case{960, 540, 512, 384}}) {
    const CanvasPoint p = stage.WindowToCanvas(c.wx, c.wy);
    EXPECT_EQ(p.x, c.cx) << c.wx << "," << c.wy;
    EXPECT_EQ(p.y, c.cy) << c.wx << "," << c.wy;
  }
}

TEST(Letterbox, WindowToCanvasWithoutLetterboxIsHarmless) {
  RecordingStage stage;
  stage.m_scale = 0.0;  // no letterbox computed yet
  const CanvasPoint p = stage.WindowToCanvas(100, 100);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
}

// ------------------------------------------------------------ texture table

TEST(TextureTable, IndexesFollowCreationOrderAndFailuresLeaveTheTable) {
  RecordingStage stage;
  stage.AddImage("stim/balloon0.png", 100, 120, 0x80FF0000);
  EXPECT_EQ(stage.AddTexture(1024, 768, D3DFMT_X8R8G8B8), 0);
  EXPECT_EQ(stage.AddTexture(960, 540, D3DFMT_X8R8G8B8), 1);
  EXPECT_EQ(stage.LoadTexture("stim/missing.png"), -1);
  EXPECT_EQ(stage.m_textureCount, 2);
  EXPECT_EQ(stage.AddTexture(0, 10, D3DFMT_X8R8G8B8), -1);
  EXPECT_EQ(stage.AddTexture(10, -1, D3DFMT_X8R8G8B8), -1);
  stage.create_result = false;
  EXPECT_EQ(stage.AddTexture(8, 8, D3DFMT_X8R8G8B8), -1);
  EXPECT_EQ(stage.LoadTexture("stim/balloon0.png"), -1);
  EXPECT_EQ(stage.m_textureCount, 2);
  EXPECT_EQ(stage.m_textures.size(), 2u);
  stage.create_result = true;

  const int balloon = stage.LoadTexture("stim/balloon0.png");
  ASSERT_EQ(balloon, 2);
  const TextureEntry& e = stage.m_textures[balloon];
  EXPECT_EQ(e.width, 100);
  EXPECT_EQ(e.height, 120);
  EXPECT_EQ(e.format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(stage.Pixel(balloon, 99, 119), 0x80FF0000u);
  EXPECT_EQ(stage.Pixel(0, 1023, 767), 0u);  // a new texture starts black
}

TEST(TextureTable, ReleaseEmptiesTheTableAndIndexesStartAgain) {
  RecordingStage stage;
  EXPECT_TRUE(stage.ReleaseTextures());  // empty table
  EXPECT_EQ(stage.m_textureCount, 0);

  stage.AddTexture(4, 4, D3DFMT_X8R8G8B8);
  stage.AddTexture(4, 4, D3DFMT_X8R8G8B8);
  ASSERT_TRUE(stage.LockTexture(1));
  EXPECT_TRUE(stage.ReleaseTextures());
  EXPECT_EQ(stage.m_textureCount, 0);
  EXPECT_TRUE(stage.m_textures.empty());
  EXPECT_EQ(stage.LockOf(1), nullptr);
  EXPECT_FALSE(stage.LockTexture(0));
  EXPECT_EQ(stage.AddTexture(4, 4, D3DFMT_X8R8G8B8), 0);
}

TEST(TextureTable, LockGivesPitchAndBitsOfTheCpuCopyAndUnlockUploads) {
  RecordingStage stage;
  const int t = stage.AddTexture(7, 3, D3DFMT_X8R8G8B8);
  EXPECT_FALSE(stage.LockTexture(-1));
  EXPECT_FALSE(stage.LockTexture(1));
  EXPECT_EQ(stage.LockOf(t), nullptr);

  ASSERT_TRUE(stage.LockTexture(t));
  const TextureLockRecord* lock = stage.LockOf(t);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(lock->pitch, 28);
  // Pixel (x, y) is the word at y * pitch + 4 * x.
  *reinterpret_cast<uint32_t*>(lock->bits + 2 * lock->pitch + 4 * 5) = 0x00123456;
  // A second lock keeps the first one.
  EXPECT_TRUE(stage.LockTexture(t));
  EXPECT_EQ(stage.LockOf(t), lock);
  EXPECT_TRUE(stage.unlocked.empty());

  EXPECT_TRUE(stage.UnlockTexture(t));
  EXPECT_EQ(stage.LockOf(t), nullptr);
  EXPECT_EQ(stage.unlocked, std::vector<int>{t});
  EXPECT_EQ(stage.Pixel(t, 5, 2), 0x00123456u);
  // Unlocking an unlocked or unknown texture uploads nothing.
  EXPECT_TRUE(stage.UnlockTexture(t));
  EXPECT_TRUE(stage.UnlockTexture(9));
  EXPECT_EQ(stage.unlocked.size(), 1u);
}

// Each pixel operation on an unlocked texture locks, works, unlocks (one
// upload); on a texture the caller locked it writes through that lock and
// leaves it locked.
TEST(TextureTable, PixelOperationsFollowTheTemporaryLockRule) {
  RecordingStage stage;
  const int body_texture = stage.AddTexture(32, 32, D3DFMT_X8R8G8B8);
  const auto operations = {
      +[](RecordingStage& s, int t) { s.ClearTexture(t); },
      +[](RecordingStage& s, int t) { s.DrawLine(t, 0, 0, 5, 5, 1); },
      +[](RecordingStage& s, int t) { s.DrawDisc(t, 16, 16, 1); },
      +[](RecordingStage& s, int t) { s.MirrorTexture(t); },
      +[](RecordingStage& s, int t) { s.RenderText(t, "x", nullptr, 0); },
  };
  int n = 0;
  for (auto op : operations) {
    SCOPED_TRACE(n++);
    stage.unlocked.clear();
    op(stage, body_texture);
    EXPECT_EQ(stage.unlocked, std::vector<int>{body_texture});
    EXPECT_EQ(stage.LockOf(body_texture), nullptr);

    ASSERT_TRUE(stage.LockTexture(body_texture));
    const TextureLockRecord* held = stage.LockOf(body_texture);
    stage.unlocked.clear();
    op(stage, body_texture);
    EXPECT_TRUE(stage.unlocked.empty());
    EXPECT_EQ(stage.LockOf(body_texture), held);
    stage.UnlockTexture(body_texture);
  }
}

TEST(TextureTable, PixelOperationsIgnoreUnknownIndexes) {
  RecordingStage stage;
  stage.AddTexture(8, 8, D3DFMT_X8R8G8B8);
  stage.ClearTexture(-1);
  stage.DrawLine(3, 0, 0, 5, 5, 1);
  stage.DrawDisc(-1, 4, 4, 1);
  stage.MirrorTexture(-1);
  stage.RenderText(-1, "x", nullptr, 0);
  stage.DrawSprite(-1, 0, 0, 0xFFFFFFFF);
  EXPECT_TRUE(stage.unlocked.empty());
  EXPECT_TRUE(stage.sprites.empty());
  EXPECT_TRUE(PixelsWith(stage, 0, 1).empty());
}

TEST(TextureTable, ClearTextureZeroesEveryWord) {
  RecordingStage stage;
  stage.AddImage("a.png", 5, 3, 0xFFABCDEF);
  const int t = stage.LoadTexture("a.png");
  stage.ClearTexture(t);
  EXPECT_EQ(PixelsWith(stage, t, 0).size(), 15u);
}

// ------------------------------------------------------------------- lines

struct LineCase {
  const char* name;
  int32_t x0, y0, x1, y1;
  std::set<Point> points;
};

class DrawLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(DrawLineTest, PlotsExactlyThesePoints) {
  const LineCase& c = GetParam();
  RecordingStage stage;
  const int t = stage.AddTexture(8, 8, D3DFMT_X8R8G8B8);
  stage.DrawLine(t, c.x0, c.y0, c.x1, c.y1, 0xFF00FF00);
  EXPECT_EQ(PixelsWith(stage, t, 0xFF00FF00), c.points);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DrawLineTest,
    testing::Values(
        LineCase{"shallow", 0, 0, 5, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        LineCase{"steep", 0, 0, 2, 5, {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}}},
        // Drawn from the other end the points are the same: end points are swapped.
        LineCase{"shallow_reversed", 5, 2, 0, 0, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
        LineCase{"single_point", 3, 4, 3, 4, {{3, 4}}},
        LineCase{"rising", 0, 2, 5, 0, {{0, 2}, {1, 2}, {2, 1}, {3, 1}, {4, 0}, {5, 0}}},
        LineCase{"steep_leftwards", 2, 0, 0, 5, {{2, 0}, {2, 1}, {1, 2}, {1, 3}, {0, 4}, {0, 5}}},
        LineCase{"horizontal", 1, 6, 4, 6, {{1, 6}, {2, 6}, {3, 6}, {4, 6}}},
        // Past the edge only the inside points are drawn, the rest of the line still is.
        LineCase{"clipped_both_ends",
                 -3,
                 7,
                 10,
                 7,
                 {{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}}},
        LineCase{"clipped_vertical", 6, -2, 6, 1, {{6, 0}, {6, 1}}},
        LineCase{"wholly_outside", -5, -5, -1, -9, {}}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(DrawLine, FarOutsideEndPointsDoNotOverflow) {
  RecordingStage stage;
  const int t = stage.AddTexture(4, 4, D3DFMT_X8R8G8B8);
  stage.DrawLine(t, 2, 0, 2, 2147483647, 7);
  EXPECT_EQ(PixelsWith(stage, t, 7), (std::set<Point>{{2, 0}, {2, 1}, {2, 2}, {2, 3}}));
  stage.ClearTexture(t);
  // From far left to (3, 1): the walk steps to row 1 halfway, long before x 0.
  stage.DrawLine(t, -2147483647 - 1, 0, 3, 1, 7);
  EXPECT_EQ(PixelsWith(stage, t, 7), (std::set<Point>{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  stage.ClearTexture(t);
  stage.DrawDisc(t, -2147483647 - 1, 2147483647, 7);  // far off: nothing, and no overflow
  EXPECT_TRUE(PixelsWith(stage, t, 7).empty());
}

// -------------------------------------------------------- disc and mirror

TEST(DrawDisc, PaintsTheSpecifiedRowsAroundTheCentre) {
  RecordingStage stage;
  const int body_texture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  stage.DrawDisc(body_texture, 480, 270, 0xFFFF0000);
  const std::set<Point> painted = PixelsWith(stage, body_texture, 0xFFFF0000);
  EXPECT_EQ(painted.size(), 225u);
  const int half_width[9] = {8, 8, 8, 7, 7, 6, 6, 4, 2};
  std::set<Point> expected;
  for (int d = 0; d <= 8; ++d)
    for (int x = -half_width[d]; x <= half_width[d]; ++x) {
      expected.insert({480 + x, 270 + d});
      expected.insert({480 + x, 270 - d});
    }
  EXPECT_EQ(painted, expected);
}

TEST(DrawDisc, AtTheCornerOnlyTheQuarterInsideIsPainted) {
  RecordingStage stage;
  stage.AddTexture(16, 16, D3DFMT_X8R8G8B8);
  const int body_texture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  stage.DrawDisc(body_texture, 0, 0, 0xFF0000FF);
  // Rows 0..8 with half widths 8,8,8,7,7,6,6,4,2, columns 0..h each.
  EXPECT_EQ(PixelsWith(stage, body_texture, 0xFF0000FF).size(), 65u);
  EXPECT_TRUE(PixelsWith(stage, 0, 0xFF0000FF).empty());  // other textures untouched
  stage.DrawDisc(body_texture, 959, 539, 0xFF0000FF);
  EXPECT_EQ(PixelsWith(stage, body_texture, 0xFF0000FF).size(), 130u);
}

TEST(MirrorTexture, FlipsEveryRowAndKeepsTheMiddleColumnOfOddWidths) {
  for (int32_t width : {5, 6, 960}) {
    SCOPED_TRACE(width);
    RecordingStage stage;
    const int body_texture = stage.AddTexture(width, 3, D3DFMT_X8R8G8B8);
    std::vector<uint32_t>& px = stage.m_textures[body_texture].pixels;
    for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<uint32_t>(i);
    const std::vector<uint32_t> before = px;

    stage.MirrorTexture(body_texture);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < width; ++x)
        ASSERT_EQ(stage.Pixel(body_texture, x, y), before[y * width + (width - 1 - x)]);

    stage.MirrorTexture(body_texture);
    EXPECT_EQ(px, before);
  }
}

// -------------------------------------------------------------------- text

class RenderTextTest : public testing::Test {
 protected:
  void SetUp() override { t = stage.AddTexture(16, 4, D3DFMT_X8R8G8B8); }
  RecordingStage stage;
  int t = -1;
};

TEST_F(RenderTextTest, CopiesNonZeroWordsOpaqueAndKeepsTheRest) {
  stage.m_textures[t].pixels.assign(64, 0x00000055);
  stage.RenderText(t, "abc", nullptr, 0);  // the fake marks 3 pixels of row 0 white
  for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(stage.Pixel(t, x, 0), 0xFFFFFFFFu);
  EXPECT_EQ(stage.Pixel(t, 3, 0), 0x00000055u);
  EXPECT_EQ(stage.Pixel(t, 0, 1), 0x00000055u);
  ASSERT_EQ(stage.texts.size(), 1u);
  EXPECT_EQ(stage.texts[0].text, "abc");
  EXPECT_EQ(stage.texts[0].index, t);
}

TEST_F(RenderTextTest, TextColourArrivesAsARedWordAndBlackWritesNothing) {
  stage.m_textColor = 0x0000FF;  // red as 0x00BBGGRR
  stage.RenderText(t, "a", nullptr, 0);
  EXPECT_EQ(stage.Pixel(t, 0, 0), 0xFFFF0000u);
  stage.ClearTexture(t);
  stage.m_textColor = 0;
  stage.RenderText(t, "abc", nullptr, 0);
  EXPECT_EQ(PixelsWith(stage, t, 0).size(), 64u);
}

TEST_F(RenderTextTest, EmptyTextAndEmptyAreaChangeNothing) {
  const TextRect inverted{5, 2, 3, 1};
  stage.RenderText(t, "", nullptr, 0);
  stage.RenderText(t, "abc", &inverted, 0);
  EXPECT_EQ(PixelsWith(stage, t, 0).size(), 64u);
  EXPECT_EQ(stage.texts.size(), 2u);  // both calls are still seen
}

TEST_F(RenderTextTest, AreaPartlyOutsideWritesOnlyInsidePixels) {
  const TextRect right_edge{14, 3, 20, 6};  // bitmap 6 x 3; only (14,3) and (15,3) exist
  stage.RenderText(t, "abcdef", &right_edge, 0);
  EXPECT_EQ(PixelsWith(stage, t, 0xFFFFFFFF), (std::set<Point>{{14, 3}, {15, 3}}));

  stage.ClearTexture(t);
  const TextRect left_edge{-2, 0, 3, 1};  // bitmap columns 0,1 fall left of the texture
  stage.RenderText(t, "abcd", &left_edge, 0);
  EXPECT_EQ(PixelsWith(stage, t, 0xFFFFFFFF), (std::set<Point>{{0, 0}, {1, 0}}));
}

// An area wholly beside, above, below or across the texture writes nothing and
// reads nothing outside its own bitmap (ASan would catch a stray memcmp).
TEST_F(RenderTextTest, AreaWhollyOffTheTextureWritesNothing) {
  const TextRect off[] = {
      {16, 0, 22, 2},    // right of the 16 columns
      {-8, 0, 0, 2},     // left of them
      {0, 4, 6, 6},      // below the 4 rows
      {0, -3, 6, 0},     // above them
      {20, -5, 30, -1},  // beyond a corner
  };
  for (const TextRect& area : off) {
    SCOPED_TRACE(testing::Message() << area.left << "," << area.top << "," << area.right << ","
                                    << area.bottom);
    stage.RenderText(t, "abcdef", &area, 0);
    EXPECT_EQ(PixelsWith(stage, t, 0).size(), 64u);
  }
}

// ------------------------------------------------------------------- input

TEST(StageInput, ClearInputEmptiesTheLatch) {
  RecordingStage stage;
  stage.m_input.down = 1;
  stage.m_input.touching = 1;
  stage.m_input.buttons = 3;
  stage.m_input.key = VK_ESCAPE;
  stage.m_input.points = {{1, 2}};
  stage.m_input.point_count = 1;
  stage.m_input.inputs = {TouchRecord{}};
  stage.m_input.input_count = 1;
  stage.ClearInput();
  EXPECT_EQ(stage.m_input.down, 0);
  EXPECT_EQ(stage.m_input.touching, 0);
  EXPECT_EQ(stage.m_input.buttons, 0u);
  EXPECT_EQ(stage.m_input.key, 0);
  EXPECT_EQ(stage.m_input.point_count, 0);
  EXPECT_TRUE(stage.m_input.points.empty());
  EXPECT_EQ(stage.m_input.input_count, 0);
  EXPECT_TRUE(stage.m_input.inputs.empty());
}

}  // namespace
