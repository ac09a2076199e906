#include "trial/stage_frame.h"

#include <cstdio>

#include "stage/stage_surface.h"
#include "trial/target_placement.h"

StageTexts& CurrentStageTexts() {
  static StageTexts texts;
  return texts;
}

std::string StageText(int32_t clock_ms, int32_t popped) {
  const StageTexts& texts = CurrentStageTexts();
  if (popped == 0) return texts.start_prompt;
  char text[160];
  std::snprintf(text, sizeof text, texts.status_format.c_str(), clock_ms / 1000, popped);
  return text;
}

uint32_t BurstAlpha(int32_t clock_ms, int32_t feedback_end_ms) {
  // 64-bit: after the clock restart the pause can end far ahead of the clock.
  const int64_t alpha =
      (static_cast<int64_t>(feedback_end_ms) - clock_ms) * 256 / kPauseAfterPop_ms;
  if (alpha > 255) return 255;
  return alpha < 0 ? 0 : static_cast<uint32_t>(alpha);
}

void ComposeFrame(StageSurface& stage, const RunState& run, int32_t clock_ms, const Target& target,
                  int32_t feedback_end_ms) {
  stage.m_fontHeight = kStageFontHeight;
  stage.m_textColor = kStageTextColor;
  const std::string text = StageText(clock_ms, run.trial_count);
  stage.ClearTexture(0);
  stage.RenderText(0, text, nullptr, 0);

  // Drawn whether or not the frame could begin; EndFrame always presents.
  stage.BeginFrame();
  stage.DrawSprite(0, 0.0f, 0.0f, kOpaqueWhite);
  if (run.settings.mirror == 0) stage.MirrorTexture(run.textures.body);
  stage.DrawSprite(run.textures.body, static_cast<float>(kPictureOffsetX),
                   static_cast<float>(kPictureOffsetY), kOpaqueWhite);

  const float left = static_cast<float>(target.hit_rect.left + kPictureOffsetX);
  const float top = static_cast<float>(target.hit_rect.top + kPictureOffsetY);
  if (target.shown == 1) {
    if (target.tgthand >= 0 && target.tgthand < 4) {
      stage.DrawSprite(run.textures.balloons[target.tgthand], left, top, kOpaqueWhite);
    }
  } else if (clock_ms < feedback_end_ms) {
    const uint32_t alpha = BurstAlpha(clock_ms, feedback_end_ms);
    stage.DrawSprite(run.textures.burst, left, top, (alpha << 24) + 0xFFFFFFu);
  }
  stage.EndFrame();
}
