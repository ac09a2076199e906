#pragma once
// The frame the child sees in every drawn pass: the text line (start prompt or
// time and balloon count), the camera picture, and the balloon or the burst
// fading out where it was.

#include <cstdint>
#include <string>

#include "state/translate_noop.h"
#include "trial/run_state.h"
#include "trial/target.h"

class StageSurface;

// UTF-8 stage texts, marked for translation in the "Stage" context.
inline constexpr const char* kStartPrompt =
    QT_TRANSLATE_NOOP("Stage", "ふうせんを わったら，はじまります。");
// Two ideographic spaces (U+3000) between the fields; a full-width colon after ふうせん.
inline constexpr const char* kStatusFormat =
    QT_TRANSLATE_NOOP("Stage", "じかん: %d　　ふうせん： %d");
inline constexpr const char* kScoreFormat =
    QT_TRANSLATE_NOOP("Stage", "わった ふうせんは %d こ でした！");

// The texts the child sees: the ones above, or their translations (the same
// %d fields in the same order) that the front end puts here before a run.
struct StageTexts {
  std::string start_prompt = kStartPrompt;
  std::string status_format = kStatusFormat;
  std::string score_format = kScoreFormat;
};
StageTexts& CurrentStageTexts();

inline constexpr int32_t kStageFontHeight = 32;
inline constexpr uint32_t kStageTextColor = 0xFFFFFF;  // white
inline constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;   // sprite colour: texture unchanged
inline constexpr int32_t kPauseAfterPop_ms = 1000;     // the burst fades out over it

// The text line: the start prompt while no balloon was popped, else the status
// line with whole seconds of the pass clock and the popped balloon count.
std::string StageText(int32_t clock_ms, int32_t popped);

// Opacity of the burst, 255 at the pop down to 0 a second later.
uint32_t BurstAlpha(int32_t clock_ms, int32_t feedback_end_ms);

// Composes and presents one frame. Reads the run's trial_count, settings.mirror
// and textures.
void ComposeFrame(StageSurface& stage, const RunState& run, int32_t clock_ms, const Target& target,
                  int32_t feedback_end_ms);
