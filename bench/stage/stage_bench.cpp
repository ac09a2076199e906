// Costs of the stage's per-frame work: the text layer, the mirror flip, the
// body texture's lock / write / unlock / upload, and whole frames as the trial
// loop composes them. Needs an X display (run under xvfb-run); the GL cases
// are skipped without one.
//
// Real time includes Mesa's rasterising (llvmpipe threads) and presentation;
// CPU time is the calling thread's: what the stage costs the trial loop. Whole
// frames run with the render thread (render_thread:1) and drawn inside
// EndFrame (render_thread:0); "presented_per_s" counts the frames that reached the
// screen, the others were replaced by a newer one before they were drawn.
// Set T2_STAGE_BENCH_DUMP=<dir> to save the last composed frame of each size
// as a PNG for a look.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "state/program_state.h"
#include "test_stage.h"

namespace {

const char* const kStatusLine = "じかん: 37　　ふうせん： 12";

// A camera-like picture: a gradient, so every word differs from its neighbour.
std::vector<uint32_t> CameraPicture() {
  std::vector<uint32_t> picture(960 * 540);
  for (int y = 0; y < 540; ++y)
    for (int x = 0; x < 960; ++x)
      picture[y * 960 + x] = 0xFF000000u | (x & 0xFF) << 16 | (y & 0xFF) << 8 | ((x + y) & 0xFF);
  return picture;
}

// What the body update does each sensor frame: lock, write the picture through
// bits row by row, unlock.
void WriteBodyPicture(StageSurface& stage, int index, const std::vector<uint32_t>& picture) {
  stage.LockTexture(index);
  const TextureLockRecord* lock = stage.LockOf(index);
  for (int y = 0; y < 540; ++y) {
    std::memcpy(lock->bits + y * lock->pitch, picture.data() + y * 960, 960 * 4);
  }
  stage.UnlockTexture(index);
}

// One stage window for the GL cases of one size; null without a display.
std::unique_ptr<TestStage> OpenStage(int width, int height, bool render_thread = true) {
  if (render_thread) {
    unsetenv("TAVELIN2_STAGE_SYNC");
  } else {
    setenv("TAVELIN2_STAGE_SYNC", "1", 1);
  }
  auto stage = std::make_unique<TestStage>();
  if (!stage->CreateEx("Experiment Window", 0, 0, width, height) || !stage->InitDevice()) {
    return nullptr;
  }
  return stage;
}

// The text layer of a drawn pass: clear, then the status line. changes:0 is
// the usual frame (the text changes about once a second); changes:1 letters a
// new text every frame, which every frame cost before texts were kept.
void BM_RenderTextLayer(benchmark::State& state) {
  const bool changes = state.range(0) != 0;
  CDXWnd stage;  // text needs no window
  stage.AddTexture(1024, 768, D3DFMT_X8R8G8B8);
  stage.m_fontHeight = 32;
  const std::string texts[2] = {kStatusLine, "じかん: 38　　ふうせん： 12"};
  size_t frame = 0;
  for (auto _ : state) {
    stage.ClearTexture(0);
    stage.RenderText(0, texts[changes ? frame++ % 2 : 0], nullptr, 0);
  }
  benchmark::DoNotOptimize(stage.m_textures[0].pixels.data());
}
BENCHMARK(BM_RenderTextLayer)->ArgName("changes")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The reference: one memcpy of the whole 1024 x 768 layer.
void BM_MemcpyTextLayer(benchmark::State& state) {
  std::vector<uint32_t> from(1024 * 768, 0x00FFFFFF), to(1024 * 768);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyTextLayer)->Unit(benchmark::kMicrosecond);

void BM_MirrorBodyTexture(benchmark::State& state) {
  CDXWnd stage;
  const int body_texture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  WriteBodyPicture(stage, body_texture, CameraPicture());
  for (auto _ : state) stage.MirrorTexture(body_texture);
  benchmark::DoNotOptimize(stage.m_textures[body_texture].pixels.data());
}
BENCHMARK(BM_MirrorBodyTexture)->Unit(benchmark::kMicrosecond);

// Lock, write the picture, unlock, and the upload the next draw of it makes.
void BM_BodyTextureWriteAndUpload(benchmark::State& state) {
  auto stage = OpenStage(1024, 768);
  if (!stage) {
    state.SkipWithError("no OpenGL stage (run under xvfb-run)");
    return;
  }
  const int body_texture = stage->AddTexture(960, 540, D3DFMT_X8R8G8B8);
  const std::vector<uint32_t> picture = CameraPicture();
  stage->BeginFrame();
  for (auto _ : state) {
    WriteBodyPicture(*stage, body_texture, picture);
    stage->DrawSprite(body_texture, 32, 114, 0xFFFFFFFF);  // uploads the new words
  }
  stage->EndFrame();
  stage->ReleaseTextures();
  stage->DestroyWindow();
}
BENCHMARK(BM_BodyTextureWriteAndUpload)->Unit(benchmark::kMicrosecond);

// One whole drawn pass of the stage as the trial loop makes it: text layer,
// new camera picture with a joint marker, mirror, three sprites, present.
void BM_WholeFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  auto stage = OpenStage(width, height, state.range(2) != 0);
  if (!stage) {
    state.SkipWithError("no OpenGL stage (run under xvfb-run)");
    return;
  }
  stage->DrawWholeSprites(state.range(3) != 0);
  const int body_texture = stage->AddTexture(960, 540, D3DFMT_X8R8G8B8);
  // A balloon-sized image with alpha.
  const int balloon = stage->AddTexture(128, 160, D3DFMT_A8R8G8B8);
  stage->LockTexture(balloon);
  std::fill(stage->m_textures[balloon].pixels.begin(), stage->m_textures[balloon].pixels.end(),
            0x80FF4040u);
  stage->UnlockTexture(balloon);
  const std::vector<uint32_t> picture = CameraPicture();

  auto compose = [&] {
    stage->m_fontHeight = 32;
    stage->m_textColor = 0xFFFFFF;
    stage->ClearTexture(0);
    stage->RenderText(0, kStatusLine, nullptr, 0);
    WriteBodyPicture(*stage, body_texture, picture);
    stage->DrawDisc(body_texture, 400, 300, 0xFF00FF00);
    stage->BeginFrame();
    stage->DrawSprite(0, 0, 0, 0xFFFFFFFF);
    stage->MirrorTexture(body_texture);
    stage->DrawSprite(body_texture, 32, 114, 0xFFFFFFFF);
    stage->DrawSprite(balloon, 500, 300, 0xFFFFFFFF);
  };
  const uint64_t presented_before = stage->FramesPresented();
  const auto started = std::chrono::steady_clock::now();
  for (auto _ : state) {
    compose();
    stage->EndFrame();
  }
  stage->LastPresentedFrame();  // waits for the render thread
  // Per second of wall time, whichever time the case reports.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  state.counters["presented_per_s"] =
      static_cast<double>(stage->FramesPresented() - presented_before) / seconds;
  if (const char* dir = std::getenv("T2_STAGE_BENCH_DUMP")) {
    compose();
    stage->GrabFrame().save(QString("%1/frame_%2x%3.png").arg(dir).arg(width).arg(height));
    stage->EndFrame();
  }
  stage->ReleaseTextures();
  stage->DestroyWindow();
}
// whole:1 draws every sprite whole over a full clear, as every frame was
// drawn before the renderer left out what cannot show; whole:0 is the stage.
BENCHMARK(BM_WholeFrame)
    ->ArgNames({"w", "h", "render_thread", "whole"})
    ->ArgsProduct({{1024}, {768}, {1, 0}, {0, 1}})
    ->ArgsProduct({{1920}, {1080}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_WholeFrame)
    ->Name("BM_WholeFrame_CallingThread")
    ->ArgNames({"w", "h", "render_thread", "whole"})
    ->ArgsProduct({{1920}, {1080}, {1, 0}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
