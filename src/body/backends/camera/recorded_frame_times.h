#pragma once
// The frame table of a recorded session video: "X_V.csv" beside "X_V.avi"
// gives each video frame's capture time, so that a replay delivers the
// pictures when they were taken, gaps (dropped frames, a stalled camera)
// included.

#include <optional>
#include <string>
#include <vector>

#include "body/sensor/sensor_types.h"

// "X_V.csv" for "X_V.avi"; "" for a file whose name is not a session video's.
std::string VideoTablePathFor(const std::string& video_path);

// Capture times by frame number from the table at `path`. Nothing when there
// is no such file; nothing with the reason in *problem when it cannot be read
// or its rows are not a frame table (frame numbers from 0 up, one by one,
// times that never go back).
std::optional<std::vector<TIMESPAN>> ReadRecordedFrameTimes(const std::string& path,
                                                            std::string* problem);
