#pragma once
// What a camera must deliver for a session: the camera check holds a camera to
// these before a session, and a run's summary and report after it.

inline constexpr double kMinPicturesPerSecond = 20;
inline constexpr double kMinBodyFramesPerSecond = 10;
inline constexpr double kMaxCaptureToBodyMs = 150;
inline constexpr double kMinTrackedShare = 0.80;
