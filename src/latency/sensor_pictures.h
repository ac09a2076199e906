#pragma once
// The open sensor's pictures for the latency test: taken by the program's own
// body update into a texture of their own (as the camera check takes them),
// each with its capture time and mean brightness. UI thread only.

#include <array>
#include <cstdint>
#include <memory>

#include "body/body_update.h"
#include "latency/latency_test_loop.h"
#include "state/tracked_body.h"

class MemorySurface;

// The mean of R, G and B over every 4th pixel of every 4th row of a picture
// of 0xFFRRGGBB words (0 .. 255); 0 for an empty one.
double MeanBrightness(const uint32_t* words, int32_t width, int32_t height);

class SensorPictures final : public LatencyPictureSource {
 public:
  SensorPictures();  // reads sensor_connection: open the sensor first
  ~SensorPictures() override;
  bool Take(PictureSample* picture) override;

 private:
  std::unique_ptr<MemorySurface> surface_;
  int texture_ = -1;
  std::unique_ptr<uint8_t[]> colour_buffer_;
  std::array<TrackedBody, kBodySlotCount> bodies_{};
  BodyUpdateReport report_;
};
