#include "app/label_colour.h"

#include <cmath>

namespace {

constexpr double kMinContrast = 4.5;

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

}  // namespace

double ContrastOnBlack(const QColor& c) {
  const double luminance =
      0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
  return (luminance + 0.05) / 0.05;
}

QColor ReadableOnBlack(const QColor& marker) {
  QColor c = marker;
  for (int step = 1; step <= 20 && ContrastOnBlack(c) < kMinContrast; ++step) {
    const double w = step / 20.0;  // share of white
    c = QColor::fromRgbF(static_cast<float>(marker.redF() * (1 - w) + w),
                         static_cast<float>(marker.greenF() * (1 - w) + w),
                         static_cast<float>(marker.blueF() * (1 - w) + w));
  }
  return c;
}
