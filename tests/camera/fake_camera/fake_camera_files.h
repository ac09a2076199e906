#pragma once
// Files the fake UVC camera (fake_v4l2_camera.cpp) is driven by.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

// The environment variable that names the fake camera's script.
inline constexpr const char* kFakeCameraScriptVariable = "T2_FAKE_CAMERA_SCRIPT";

// `count` camera-like MJPEG pictures (4:2:2, standard Huffman tables) of
// `size`, a square moving over a grey ramp, one JPEG after the other, as the
// script's "frames" line takes them. False when they could not be written.
bool WriteFakeCameraFrames(const std::string& path, cv::Size size, int count);
// The same of the given pictures (8-bit BGR, all one size).
bool WriteFakeCameraFrames(const std::string& path, const std::vector<cv::Mat>& pictures);
