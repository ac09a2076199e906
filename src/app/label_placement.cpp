#include "app/label_placement.h"

#include <algorithm>

QRectF PlaceLabel(QRectF wanted, const std::vector<QRectF>& taken) {
  for (size_t moves = 0; moves < taken.size(); ++moves) {
    const auto hit = std::find_if(taken.begin(), taken.end(),
                                  [&](const QRectF& other) { return other.intersects(wanted); });
    if (hit == taken.end()) break;
    wanted.moveTop(hit->bottom() + 1);
  }
  return wanted;
}
