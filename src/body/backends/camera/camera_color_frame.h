#pragma once
// The colour frame of one camera picture: the stage's half-size picture made
// at once, the sensor's 1920 x 1080 picture drawn only when something reads
// it (most frames never need it).

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/video/color_frame_geometry.h"
#include "body/sensor/frame_data.h"

class PictureScaler;

class DeferredColorPicture : public FullColorPicture {
 public:
  // Keeps a reference to the decoded frame (no pixel is copied) until the
  // colour frame that holds this is dropped.
  DeferredColorPicture(const AVFrame& decoded, const ColorFrameGeometry& geometry);
  bool DrawBgra(uint8_t* bgra) const override;

 private:
  AVFramePtr frame_;
  ColorFrameGeometry geometry_;
};

// Fills *color (a 1920 x 1080 BGRA frame) from a decoded camera picture:
// its half-size picture, and either its full pixels (a 1920 x 1080 camera,
// where that costs less than scaling) or a DeferredColorPicture. False when
// the picture cannot be converted.
bool MakeCameraColorFrame(PictureScaler& scaler, const AVFrame& decoded,
                          const ColorFrameGeometry& geometry, ColorFrameData* color);
