// Frames composed by the real OpenGL stage in a 1920 x 1080 window and read
// back from the framebuffer. Runs under an X display (Xvfb, Mesa llvmpipe).

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QColor>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "state/program_state.h"
#include "test_stage.h"

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;

// Words into a texture, through the lock as the program's writers do it.
void Fill(CDXWnd& stage, int index, uint32_t word) {
  ASSERT_TRUE(stage.LockTexture(index));
  const TextureLockRecord* lock = stage.LockOf(index);
  const TextureEntry& e = stage.m_textures[index];
  for (int32_t y = 0; y < e.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(lock->bits + y * lock->pitch);
    for (int32_t x = 0; x < e.width; ++x) row[x] = word;
  }
  stage.UnlockTexture(index);
}

::testing::AssertionResult PixelNear(const QImage& frame, int x, int y, QColor want,
                                     int tolerance = 2) {
  const QColor got = frame.pixelColor(x, y);
  if (std::abs(got.red() - want.red()) <= tolerance &&
      std::abs(got.green() - want.green()) <= tolerance &&
      std::abs(got.blue() - want.blue()) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << got.name().toStdString() << ", want "
         << want.name().toStdString();
}

// Every rendering case runs with frames on the render thread and drawn inside
// EndFrame (the fallback without threaded OpenGL).
enum class Presenting { kRenderThread, kInEndFrame };

class StageRenderTest : public ::testing::TestWithParam<Presenting> {
 protected:
  void SetUp() override {
    if (GetParam() == Presenting::kInEndFrame) {
      setenv("TAVELIN2_STAGE_SYNC", "1", 1);
    } else {
      unsetenv("TAVELIN2_STAGE_SYNC");
    }
    ASSERT_TRUE(stage.CreateEx("Experiment Window", 0, 0, 1920, 1080));
    ASSERT_TRUE(stage.GetWindow()->isExposed());
    ASSERT_TRUE(stage.InitDevice());
    ASSERT_EQ(stage.IsThreaded(), GetParam() == Presenting::kRenderThread);
  }
  void TearDown() override {
    stage.ReleaseTextures();
    stage.DestroyWindow();
  }

  // Draws the sprites of one frame over black and reads the frame back.
  template <typename Draw>
  QImage Frame(Draw draw) {
    EXPECT_TRUE(stage.BeginFrame());
    draw();
    QImage frame = stage.GrabFrame();
    stage.EndFrame();
    return frame;
  }

  // Hands one frame with one sprite to the stage, not waiting for it.
  void Present(int index, float x, float y) {
    ASSERT_TRUE(stage.BeginFrame());
    stage.DrawSprite(index, x, y, kOpaqueWhite);
    stage.EndFrame();
  }

  TestStage stage;
};

TEST_P(StageRenderTest, DeviceMapsTheCanvasIntoTheWindow) {
  EXPECT_EQ(stage.m_windowWidth, 1920);
  EXPECT_EQ(stage.m_windowHeight, 1080);
  EXPECT_DOUBLE_EQ(stage.m_scale, 1.40625);
  EXPECT_DOUBLE_EQ(stage.m_offsetX, 240.0);
  EXPECT_DOUBLE_EQ(stage.m_offsetY, 0.0);
  EXPECT_NE(stage.m_deviceKind, kDeviceNone);
  EXPECT_EQ(stage.m_textureCount, 1);  // the text layer
  EXPECT_EQ(stage.m_textures[0].width, 1024);
  EXPECT_EQ(stage.m_textures[0].format, D3DFMT_X8R8G8B8);
}

// The window shows black as soon as the device is up, before any frame of a
// run, and not whatever was on the screen.
TEST_P(StageRenderTest, ANewDeviceHasPresentedABlackFrame) {
  stage.ReleaseTextures();
  stage.DestroyWindow();
  stage.KeepPresentedFrames(true);
  const uint64_t presented = stage.FramesPresented();
  ASSERT_TRUE(stage.CreateEx("Experiment Window", 0, 0, 1920, 1080));
  ASSERT_TRUE(stage.InitDevice());
  EXPECT_EQ(stage.FramesPresented(), presented + 1);
  const QImage frame = stage.LastPresentedFrame();
  ASSERT_EQ(frame.size(), QSize(1920, 1080));
  for (const QPoint p : {QPoint(0, 0), QPoint(960, 540), QPoint(1919, 1079), QPoint(100, 900)})
    EXPECT_TRUE(PixelNear(frame, p.x(), p.y(), Qt::black));
  stage.KeepPresentedFrames(false);
}

// A 100 x 100 sprite at canvas (0, 0) covers window [240, 380.625) x [0, 140.625).
// Its words have a zero fourth byte: X8R8G8B8 textures are drawn opaque anyway.
TEST_P(StageRenderTest, SpriteAtTheCanvasOriginLandsAtTheLetterboxScaled) {
  const int red = stage.AddTexture(100, 100, D3DFMT_X8R8G8B8);
  Fill(stage, red, 0x00FF0000);
  const QImage frame = Frame([&] { stage.DrawSprite(red, 0, 0, kOpaqueWhite); });
  ASSERT_EQ(frame.width(), 1920);
  EXPECT_TRUE(PixelNear(frame, 240, 0, Qt::red));
  EXPECT_TRUE(PixelNear(frame, 380, 140, Qt::red));
  EXPECT_TRUE(PixelNear(frame, 239, 50, Qt::black));
  EXPECT_TRUE(PixelNear(frame, 381, 50, Qt::black));
  EXPECT_TRUE(PixelNear(frame, 300, 141, Qt::black));
  EXPECT_TRUE(PixelNear(frame, 10, 10, Qt::black));  // left margin stays black
}

TEST_P(StageRenderTest, SpriteColourMultipliesAndItsAlphaScalesOpacity) {
  const int white = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, white, 0xFFFFFFFF);
  const int red = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, red, 0xFFFF0000);
  const QImage frame = Frame([&] {
    stage.DrawSprite(white, 0, 0, 0x00FFFFFF);    // alpha 0: nothing
    stage.DrawSprite(white, 100, 0, 0xFF00FF00);  // green
    stage.DrawSprite(white, 200, 0, 0x80FFFFFF);  // half over black
    stage.DrawSprite(red, 300, 0, kOpaqueWhite);
    stage.DrawSprite(white, 300, 0, 0x80FFFFFF);  // half over red, drawn later on top
  });
  auto at = [&](int cx, int cy) {
    return QPoint(static_cast<int>(cx * 1.40625 + 240), static_cast<int>(cy * 1.40625));
  };
  EXPECT_TRUE(PixelNear(frame, at(30, 30).x(), at(30, 30).y(), Qt::black));
  EXPECT_TRUE(PixelNear(frame, at(130, 30).x(), at(130, 30).y(), Qt::green));
  EXPECT_TRUE(PixelNear(frame, at(230, 30).x(), at(230, 30).y(), QColor(128, 128, 128)));
  EXPECT_TRUE(PixelNear(frame, at(330, 30).x(), at(330, 30).y(), QColor(255, 128, 128)));
}

// PNG alpha: transparent texels leave what lies below, half-transparent ones blend.
TEST_P(StageRenderTest, ImageAlphaBlendsWithWhatLiesBelow) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QImage image(30, 10, QImage::Format_ARGB32);
  for (int x = 0; x < 30; ++x)
    for (int y = 0; y < 10; ++y)
      image.setPixel(x, y, x < 10 ? 0xFF0000FF : x < 20 ? 0x800000FF : 0x000000FF);
  const QString path = dir.filePath("alpha.png");
  ASSERT_TRUE(image.save(path));
  const int png = stage.LoadTexture(path.toStdString());
  ASSERT_NE(png, -1);
  EXPECT_EQ(stage.m_textures[png].format, D3DFMT_A8R8G8B8);
  const int white = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, white, 0xFFFFFFFF);

  const QImage frame = Frame([&] {
    stage.DrawSprite(white, 0, 0, kOpaqueWhite);
    stage.DrawSprite(png, 0, 0, kOpaqueWhite);
  });
  auto x_of = [](int cx) { return static_cast<int>(cx * 1.40625 + 240); };
  EXPECT_TRUE(PixelNear(frame, x_of(5), 7, Qt::blue));
  EXPECT_TRUE(PixelNear(frame, x_of(15), 7, QColor(127, 127, 255), 3));
  EXPECT_TRUE(PixelNear(frame, x_of(25), 7, Qt::white));
}

TEST_P(StageRenderTest, JapaneseTextIsLetteredInIpaGothicAndShowsOnTheStage) {
  stage.m_fontHeight = 32;
  stage.m_textColor = 0xFFFFFF;
  EXPECT_EQ(stage.TextFontFamily(), "IPAGothic");

  // Each kana alone: real glyphs differ from each other and from the box of a
  // character no font has.
  auto glyph = [&](const std::string& text) {
    stage.ClearTexture(0);
    stage.RenderText(0, text, nullptr, 0);
    const TextureEntry& e = stage.m_textures[0];
    std::vector<uint32_t> cell;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) cell.push_back(e.pixels[y * e.width + x]);
    return cell;
  };
  const auto missing = glyph("\xF3\xBF\xBF\xBD");  // U+FFFFD, private use
  std::set<std::vector<uint32_t>> shapes;
  for (const char* kana : {"ふ", "う", "せ", "ん"}) {
    const auto cell = glyph(kana);
    EXPECT_NE(cell, missing) << kana;
    shapes.insert(cell);
  }
  EXPECT_EQ(shapes.size(), 4u);

  stage.ClearTexture(0);
  stage.RenderText(0, "ふうせんを わったら，はじまります。", nullptr, 0);
  const TextureEntry& layer = stage.m_textures[0];
  int lit = 0, below = 0;
  for (int y = 0; y < layer.height; ++y)
    for (int x = 0; x < layer.width; ++x) {
      const uint32_t w = layer.pixels[y * layer.width + x];
      if (w == 0) continue;
      EXPECT_EQ(w >> 24, 0xFFu);
      ++lit;
      if (y >= 40) ++below;
    }
  EXPECT_GT(lit, 1000);
  EXPECT_EQ(below, 0);  // one line at the top

  const QImage frame = Frame([&] { stage.DrawSprite(0, 0, 0, kOpaqueWhite); });
  int white_on_screen = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 240; x < 1680; ++x)
      if (frame.pixelColor(x, y).lightness() > 200) ++white_on_screen;
  EXPECT_GT(white_on_screen, 1000);
}

TEST_P(StageRenderTest, ALostContextIsRecreatedAndTexturesComeBack) {
  const int green = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, green, 0xFF00FF00);
  EXPECT_TRUE(
      PixelNear(Frame([&] { stage.DrawSprite(green, 0, 0, kOpaqueWhite); }), 260, 20, Qt::green));

  stage.SimulateContextLoss();
  const QImage frame = Frame([&] { stage.DrawSprite(green, 0, 0, kOpaqueWhite); });
  EXPECT_EQ(stage.m_recoveries, 1);
  EXPECT_FALSE(stage.m_deviceLost);
  ASSERT_FALSE(frame.isNull());
  EXPECT_TRUE(PixelNear(frame, 260, 20, Qt::green));
}

// Mostly empty textures are sent to the GPU by their used rows; rows used
// before and empty now must still go dark.
TEST_P(StageRenderTest, TextureChangesAlwaysReachTheScreen) {
  const int layer = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  auto paint_rows = [&](int32_t first, int32_t end) {
    stage.ClearTexture(layer);
    for (int32_t y = first; y < end; ++y) stage.DrawLine(layer, 0, y, 63, y, 0xFFFFFFFF);
  };
  auto row_lit = [&](const QImage& frame, int32_t canvas_y) {
    const int y = static_cast<int>((canvas_y + 0.5) * 1.40625);
    return frame.pixelColor(240 + 45, y).lightness() > 200;
  };
  auto draw = [&] { stage.DrawSprite(layer, 0, 0, kOpaqueWhite); };

  paint_rows(10, 20);
  QImage frame = Frame(draw);
  EXPECT_TRUE(row_lit(frame, 15));
  EXPECT_FALSE(row_lit(frame, 45));

  paint_rows(40, 50);
  frame = Frame(draw);
  EXPECT_FALSE(row_lit(frame, 15));
  EXPECT_TRUE(row_lit(frame, 45));

  paint_rows(0, 0);
  frame = Frame(draw);
  EXPECT_FALSE(row_lit(frame, 45));

  paint_rows(0, 64);
  frame = Frame(draw);
  EXPECT_TRUE(row_lit(frame, 0));
  EXPECT_TRUE(row_lit(frame, 63));
}

TEST_P(StageRenderTest, CloseRequestsAreIgnoredAndReported) {
  int requests = 0;
  stage.SetCloseRequestHandler([&] { ++requests; });
  QCloseEvent close;
  QGuiApplication::sendEvent(stage.GetWindow(), &close);
  QCoreApplication::processEvents();
  stage.SetCloseRequestHandler(nullptr);
  EXPECT_TRUE(stage.HasWindow());
  EXPECT_TRUE(stage.GetWindow()->isVisible());
  EXPECT_EQ(requests, 1) << "the program is told, so that it can say how a run ends";
}

TEST_P(StageRenderTest, ResizeRecomputesTheLetterbox) {
  QWindow* window = stage.GetWindow();
  window->showNormal();
  window->setGeometry(0, 0, 1280, 1024);
  const QDeadlineTimer deadline(5000);
  while (stage.m_windowWidth != 1280 && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  EXPECT_EQ(stage.m_windowWidth, 1280);
  EXPECT_EQ(stage.m_windowHeight, 1024);
  EXPECT_DOUBLE_EQ(stage.m_scale, 1.25);
  EXPECT_DOUBLE_EQ(stage.m_offsetY, 32.0);
}

// A second run in the same object: indexes start again at 0, drawing works.
TEST_P(StageRenderTest, DestroyReleasesEverythingAndTheNextRunStartsAfresh) {
  stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  stage.m_input.points = {{1, 1}};
  stage.m_input.point_count = 1;
  stage.m_input.down = 1;
  stage.m_input.key = VK_ESCAPE;
  stage.ReleaseTextures();
  stage.DestroyWindow();
  EXPECT_FALSE(stage.HasWindow());
  EXPECT_EQ(stage.m_textureCount, 0);
  EXPECT_EQ(stage.m_input.down, 0);
  EXPECT_EQ(stage.m_input.point_count, 0);
  EXPECT_EQ(stage.m_input.key, VK_ESCAPE);  // kept until the next ClearInput
  EXPECT_FALSE(stage.BeginFrame());
  stage.EndFrame();  // harmless without a frame

  ASSERT_TRUE(stage.CreateEx("Experiment Window", 0, 0, 1920, 1080));
  ASSERT_TRUE(stage.InitDevice());
  const int body = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  EXPECT_EQ(body, 1);
  Fill(stage, body, 0xFF0000FF);
  EXPECT_TRUE(
      PixelNear(Frame([&] { stage.DrawSprite(body, 32, 114, kOpaqueWhite); }), 960, 540, Qt::blue));
}

// Cases that only the render thread has (inside EndFrame no frame ever waits).
class RenderThreadTest : public StageRenderTest {};

// The frames of a held render thread: only the newest is drawn, and texture
// changes carried by the frames it replaced still reach the screen.
TEST_P(RenderThreadTest, ANewerFrameReplacesTheOneWaitingAndKeepsItsTextures) {
  const int red = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, red, 0xFFFF0000);
  const int green = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, green, 0xFF00FF00);
  stage.KeepPresentedFrames(true);
  const uint64_t presented = stage.FramesPresented();

  stage.HoldRenderThread(true);
  Present(red, 0, 0);  // red's first upload rides on this frame
  Present(green, 200, 0);
  EXPECT_EQ(stage.FramesPresented(), presented);  // EndFrame did not wait
  stage.HoldRenderThread(false);

  QImage frame = stage.LastPresentedFrame();
  EXPECT_EQ(stage.FramesPresented(), presented + 1);
  EXPECT_EQ(stage.FramesReplaced(), 1u);
  ASSERT_FALSE(frame.isNull());
  EXPECT_TRUE(PixelNear(frame, 260, 20, Qt::black));        // the red frame was not drawn
  EXPECT_TRUE(PixelNear(frame, 240 + 300, 20, Qt::green));  // canvas x 200..264

  // red is unchanged, so this frame sends no copy of it: the GPU has it from
  // the replaced frame.
  Present(red, 0, 0);
  frame = stage.LastPresentedFrame();
  EXPECT_TRUE(PixelNear(frame, 260, 20, Qt::red));
}

// The frame shows the texture as it was when drawn, whatever the program
// writes into it before the render thread gets to the frame.
TEST_P(StageRenderTest, TextureChangesAfterTheDrawDoNotLeakIntoTheFrame) {
  const int layer = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, layer, 0xFFFF0000);
  stage.KeepPresentedFrames(true);
  stage.HoldRenderThread(true);
  Present(layer, 0, 0);
  Fill(stage, layer, 0xFF0000FF);
  stage.ClearTexture(layer);
  stage.HoldRenderThread(false);
  QImage frame = stage.LastPresentedFrame();
  ASSERT_FALSE(frame.isNull());
  EXPECT_TRUE(PixelNear(frame, 260, 20, Qt::red));

  // The next draw sends the change.
  Present(layer, 0, 0);
  frame = stage.LastPresentedFrame();
  EXPECT_TRUE(PixelNear(frame, 260, 20, Qt::black));
}

// Tearing down while a frame waits for the render thread drops the frame; the
// next run in the same object draws normally.
TEST_P(StageRenderTest, DestroyWhileAFrameWaitsIsSafe) {
  const int body = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  Fill(stage, body, 0xFF00FF00);
  stage.HoldRenderThread(true);
  Present(body, 32, 114);
  stage.ReleaseTextures();  // the waiting frame still names the released texture
  stage.DestroyWindow();
  EXPECT_FALSE(stage.HasWindow());
  EXPECT_FALSE(stage.IsThreaded());

  ASSERT_TRUE(stage.CreateEx("Experiment Window", 0, 0, 1920, 1080));
  ASSERT_TRUE(stage.InitDevice());
  const int blue = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, blue, 0xFF0000FF);
  EXPECT_TRUE(
      PixelNear(Frame([&] { stage.DrawSprite(blue, 0, 0, kOpaqueWhite); }), 260, 20, Qt::blue));
}

// Every frame handed over is either presented or replaced by a newer one.
TEST_P(StageRenderTest, EveryFrameIsPresentedOrReplaced) {
  const int green = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, green, 0xFF00FF00);
  const uint64_t presented = stage.FramesPresented();
  for (int i = 0; i < 5; ++i) Present(green, 0, 0);
  stage.LastPresentedFrame();  // waits for the render thread
  EXPECT_EQ(stage.FramesPresented() + stage.FramesReplaced(), presented + 5);
  EXPECT_GE(stage.FramesPresented(), presented + 1);
}

// Frames are drawn without rows of zero words over black and without the
// clear under an opaque sprite; what reaches the screen must not change.
// Each scene is drawn whole and trimmed and compared pixel for pixel.
TEST_P(StageRenderTest, TrimmedFramesEqualFramesDrawnWhole) {
  stage.m_fontHeight = 32;
  stage.RenderText(0, "じかん: 37　　ふうせん： 12", nullptr, 0);
  // A camera picture whose first rows are black words without alpha.
  const int picture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  ASSERT_TRUE(stage.LockTexture(picture));
  auto* words = reinterpret_cast<uint32_t*>(stage.LockOf(picture)->bits);
  for (int32_t y = 0; y < 540; ++y)
    for (int32_t x = 0; x < 960; ++x)
      words[y * 960 + x] = y < 12 ? 0u : 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x40;
  stage.UnlockTexture(picture);
  // A balloon: transparent rows around an opaque body.
  const int balloon = stage.AddTexture(128, 160, D3DFMT_A8R8G8B8);
  ASSERT_TRUE(stage.LockTexture(balloon));
  words = reinterpret_cast<uint32_t*>(stage.LockOf(balloon)->bits);
  for (int32_t y = 0; y < 160; ++y)
    for (int32_t x = 0; x < 128; ++x) words[y * 128 + x] = y >= 30 && y < 120 ? 0xC0FF4040u : 0u;
  stage.UnlockTexture(balloon);
  const int green = stage.AddTexture(64, 64, D3DFMT_X8R8G8B8);
  Fill(stage, green, 0xFF00FF00);
  const int empty = stage.AddTexture(300, 200, D3DFMT_X8R8G8B8);

  struct Scene {
    const char* name;
    std::function<void()> draw;
  };
  const Scene scenes[] = {
      {"stage frame",
       [&] {
         stage.DrawSprite(0, 0, 0, kOpaqueWhite);
         stage.DrawSprite(picture, 32, 114, kOpaqueWhite);
         stage.DrawSprite(balloon, 500.5f, 300.25f, kOpaqueWhite);
         stage.DrawSprite(balloon, 700, 200, 0x80FFFFFF);
       }},
      {"a layer over a sprite darkens it with its empty rows",
       [&] {
         stage.DrawSprite(green, 0, 0, kOpaqueWhite);
         stage.DrawSprite(green, 100, 700, kOpaqueWhite);
         stage.DrawSprite(0, 0, 0, 0xF0FFFFFF);
         stage.DrawSprite(picture, 32, 114, kOpaqueWhite);
       }},
      {"an opaque layer over a sprite paints its empty rows black",
       [&] {
         stage.DrawSprite(green, 0, 0, kOpaqueWhite);
         stage.DrawSprite(0, 0, 0, kOpaqueWhite);
       }},
      {"translucent and empty layers",
       [&] {
         stage.DrawSprite(0, 0, 0, 0x80FFFFFF);
         stage.DrawSprite(green, 40, 300, kOpaqueWhite);
         stage.DrawSprite(empty, 10, 250, kOpaqueWhite);
         stage.DrawSprite(empty, 600, 600, 0x80FFFFFF);
       }},
      {"sprites reaching past the canvas and the window",
       [&] {
         stage.DrawSprite(picture, -200.5f, -100, kOpaqueWhite);
         stage.DrawSprite(0, 300, 500, kOpaqueWhite);
         stage.DrawSprite(balloon, 1000, 700, kOpaqueWhite);
       }},
  };
  for (const Scene& scene : scenes) {
    ASSERT_TRUE(stage.BeginFrame());
    scene.draw();
    stage.DrawWholeSprites(true);
    const QImage whole = stage.GrabFrame();
    stage.DrawWholeSprites(false);
    const QImage trimmed = stage.GrabFrame();
    stage.EndFrame();
    ASSERT_FALSE(whole.isNull());
    ASSERT_EQ(whole.size(), trimmed.size());
    int differing = 0;
    for (int y = 0; y < whole.height(); ++y)
      for (int x = 0; x < whole.width(); ++x)
        if (whole.pixel(x, y) != trimmed.pixel(x, y)) ++differing;
    EXPECT_EQ(differing, 0) << scene.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, StageRenderTest,
                         ::testing::Values(Presenting::kRenderThread, Presenting::kInEndFrame),
                         [](const auto& info) {
                           return info.param == Presenting::kRenderThread ? "RenderThread"
                                                                          : "InEndFrame";
                         });
INSTANTIATE_TEST_SUITE_P(Only, RenderThreadTest, ::testing::Values(Presenting::kRenderThread),
                         [](const auto&) { return "RenderThread"; });

TEST(StageWithoutWindow, FailsCleanly) {
  CDXWnd stage;
  EXPECT_FALSE(stage.InitDevice());
  EXPECT_FALSE(stage.BeginFrame());
  stage.EndFrame();
  stage.DestroyWindow();
  EXPECT_EQ(stage.LoadTexture("no/such/file.png"), -1);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
