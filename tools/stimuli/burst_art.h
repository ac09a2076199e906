// The burst shown where a balloon was popped: a bright spiky flash with
// rubber shreds flying out.
#pragma once

#include <QImage>

namespace stimuli {

// Same top-left placement as the balloon: the flash centres on the hit rectangle.
constexpr int kBurstSize = 128;

QImage PaintBurst();

}  // namespace stimuli
