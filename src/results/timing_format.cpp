#include "results/timing_format.h"

#include <cstdio>

const std::string_view kTimingFileHeader =
    "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture,HitCrossing,RTCrossing\r\n";
const std::string_view kTimingFileHeaderWithoutCrossing =
    "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture\r\n";

void AppendTimingRows(std::string& out, std::span<const TrialTiming> timings) {
  char row[128];
  for (const TrialTiming& t : timings) {
    const int n =
        std::snprintf(row, sizeof row, "%d,%d,%d,%d,%d,%d,%d,%d,%d\r\n", t.trial, t.onset_ms,
                      t.onset_shown_ms, t.hit_picture_ms, t.hit_pass_ms, t.rt_ms, PictureRt_ms(t),
                      t.hit_crossing_ms, CrossingRt_ms(t));
    out.append(row, static_cast<size_t>(n));
  }
}
