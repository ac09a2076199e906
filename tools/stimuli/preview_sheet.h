// A contact sheet for judging the stimuli by eye: each image enlarged over a
// dark backdrop and over a camera-like room picture, and at stage size with
// the burst at several steps of its fade.
#pragma once

#include <QImage>
#include <vector>

namespace stimuli {

QImage PaintPreviewSheet(const std::vector<QImage>& images);

}  // namespace stimuli
