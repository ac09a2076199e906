#include "trial/hit_crossing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// A joint the body update could not place is (-1, -1); mirrored, (961, -1).
bool Placed(int32_t x, int32_t y) { return !(y == -1 && (x == -1 || x == 961)); }

// Where on the line x0 + t (x1 - x0) the interval [lo, hi) begins to hold it.
double AxisEntry(double x0, double x1, double lo, double hi) {
  const double d = x1 - x0;
  if (d == 0) return 0;  // already within along this axis, since the end point is inside
  return std::min((lo - x0) / d, (hi - x0) / d);
}
}  // namespace

double EntryFraction(double x0, double y0, double x1, double y1, const HitRect& rect) {
  const double t = std::max(AxisEntry(x0, x1, rect.left, rect.right),
                            AxisEntry(y0, y1, rect.top, rect.bottom));
  return std::clamp(t, 0.0, 1.0);
}

void HitCrossingTracker::Reset() { slots_ = {}; }

void HitCrossingTracker::Observe(int slot, const TrackedBody& body, const HitRect& rect,
                                 int64_t captured_ns) {
  Slot& s = slots_[static_cast<size_t>(slot)];
  if (s.id != body.id) s = Slot{body.id, {}};  // another person in this slot
  for (int i = 0; i < kResponseSiteCount; ++i) {
    const ResponseSite& rs = kResponseSites[i];
    const int32_t x = body.*rs.point().x, y = body.*rs.point().y;
    if (!Placed(x, y)) continue;  // neither outside nor inside
    Site& site = s.sites[i];
    const Sample sample{double(x), double(y), captured_ns};
    if (!rect.Contains(x, y)) {
      site.last_outside = sample;
      site.first_inside = Sample{};
    } else if (site.first_inside.captured_ns == 0) {
      site.first_inside = sample;
      site.rect = rect;
    }
  }
}

int64_t HitCrossingTracker::Crossing_ns(int slot, const char* site_name) const {
  const Slot& s = slots_[static_cast<size_t>(slot)];
  for (int i = 0; i < kResponseSiteCount; ++i) {
    if (std::strcmp(kResponseSites[i].name, site_name) != 0) continue;
    const Site& site = s.sites[i];
    const Sample &a = site.last_outside, &b = site.first_inside;
    if (a.captured_ns == 0 || b.captured_ns == 0 || b.captured_ns < a.captured_ns) return 0;
    const double f = EntryFraction(a.x, a.y, b.x, b.y, site.rect);
    return a.captured_ns + std::llround(f * static_cast<double>(b.captured_ns - a.captured_ns));
  }
  return 0;
}
