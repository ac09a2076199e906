#include "stage/image_decoder.h"

#include <QImage>
#include <QString>

#include <cstring>

bool DecodeImageFile(const std::string& path, int32_t& width, int32_t& height,
                     std::vector<uint32_t>& argb) {
  QImage image(QString::fromStdString(path));
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
  // ARGB32 is straight alpha in 0xAARRGGBB words, the texture layout.
  image = image.convertToFormat(QImage::Format_ARGB32);
  width = image.width();
  height = image.height();
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(argb.data() + static_cast<size_t>(y) * width, image.constScanLine(y),
                static_cast<size_t>(width) * 4);
  }
  return true;
}
