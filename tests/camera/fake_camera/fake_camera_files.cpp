#include "fake_camera/fake_camera_files.h"

#include <cstdio>
#include <fstream>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "test_media.h"

bool WriteFakeCameraFrames(const std::string& path, cv::Size size, int count) {
  std::vector<cv::Mat> pictures;
  for (int i = 0; i < count; ++i) {
    cv::Mat p(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y)
      p.row(y).setTo(cv::Scalar::all(40 + 150 * y / size.height));
    cv::rectangle(p, cv::Rect(size.width * i / count, size.height / 3, size.width / 8,
                              size.height / 4),
                  cv::Scalar(40, 200, 240), cv::FILLED);
    pictures.push_back(p);
  }
  return WriteFakeCameraFrames(path, pictures);
}

bool WriteFakeCameraFrames(const std::string& path, const std::vector<cv::Mat>& pictures) {
  ClipOptions options;
  options.chroma_422 = true;
  options.standard_huffman = true;
  options.quality = 6;
  const std::string clip = path + ".avi";
  const auto frames = WriteMjpegClip(clip, pictures, options);
  std::remove(clip.c_str());
  if (frames.size() != pictures.size()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& f : frames) out.write(reinterpret_cast<const char*>(f.data()), long(f.size()));
  return bool(out);
}
