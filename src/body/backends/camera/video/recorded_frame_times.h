#pragma once
// The frame table of a recorded session video: "X_V.csv" beside "X_V.avi"
// gives each video frame's capture time, so that a replay delivers the
// pictures when they were taken, gaps (dropped frames, a stalled camera)
// included.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "body/backends/camera/video/frame_table_format.h"
#include "body/sensor/sensor_types.h"

// "X_V.csv" for "X_V.avi"; "" for a file whose name is not a session video's.
std::string VideoTablePathFor(const std::string& video_path);

// Capture times by frame number from the table at `path`. Nothing when there
// is no such file; nothing with the reason in *problem when it cannot be read
// or its rows are not a frame table (frame numbers from 0 up, one by one,
// times that never go back).
std::optional<std::vector<TIMESPAN>> ReadRecordedFrameTimes(const std::string& path,
                                                            std::string* problem);

// The whole table, read and checked as ReadRecordedFrameTimes does; a Clock
// that is neither empty nor a number is refused too.
std::optional<std::vector<RecordedFrame>> ReadRecordedFrames(const std::string& path,
                                                             std::string* problem);
