#include "latency/sensor_pictures.h"

#include "stage/memory_surface.h"
#include "state/body_vocabulary.h"
#include "state/program_state.h"

double MeanBrightness(const uint32_t* words, int32_t width, int32_t height) {
  constexpr int32_t kStep = 4;
  uint64_t sum = 0, count = 0;
  for (int32_t y = 0; y < height; y += kStep) {
    const uint32_t* row = words + static_cast<size_t>(y) * width;
    for (int32_t x = 0; x < width; x += kStep) {
      const uint32_t w = row[x];
      sum += ((w >> 16) & 0xFF) + ((w >> 8) & 0xFF) + (w & 0xFF);
      ++count;
    }
  }
  return count == 0 ? 0.0 : static_cast<double>(sum) / (3.0 * static_cast<double>(count));
}

SensorPictures::SensorPictures()
    : surface_(std::make_unique<MemorySurface>()),
      colour_buffer_(std::make_unique_for_overwrite<uint8_t[]>(kColorBufferBytes)) {
  texture_ = surface_->AddTexture(kPictureWidth, kPictureHeight, D3DFMT_X8R8G8B8);
}

SensorPictures::~SensorPictures() = default;

bool SensorPictures::Take(PictureSample* picture) {
  const BodyUpdateTarget target{
      *surface_, texture_, bodies_, {colour_buffer_.get(), kColorBufferBytes}, false, &report_};
  // The capture time comes with the picture's bodies: a picture without them is left out.
  if (UpdateBodies(target) != 1 || report_.picture_captured_ns == 0) return false;
  const TextureEntry& texture = surface_->m_textures[texture_];
  picture->captured_ns = report_.picture_captured_ns;
  picture->brightness = MeanBrightness(texture.pixels.data(), texture.width, texture.height);
  return true;
}
