#include "body/backends/camera/camera_color_frame.h"

#include "body/backends/camera/video/picture_scaler.h"

DeferredColorPicture::DeferredColorPicture(const AVFrame& decoded,
                                           const ColorFrameGeometry& geometry)
    : frame_(av_frame_clone(&decoded)), geometry_(geometry) {}

bool DeferredColorPicture::DrawBgra(uint8_t* bgra) const {
  if (!frame_) return false;
  // Its own scaler: readers on different threads never share one.
  PictureScaler scaler;
  return scaler.ToColorPicture(*frame_, geometry_, bgra);
}

bool MakeCameraColorFrame(PictureScaler& scaler, const AVFrame& decoded,
                          const ColorFrameGeometry& geometry, ColorFrameData* color) {
  color->width = kColorWidth;
  color->height = kColorHeight;
  color->format = ColorImageFormat_Bgra;
  color->full_picture.reset();
  if (geometry.crop.size() == cv::Size(kColorWidth, kColorHeight)) {
    // A 1920 x 1080 camera: converting at full size and halving costs less
    // than scaling (bench/camera), and the full picture is then there anyway.
    color->pixels.resize(size_t(kColorWidth) * kColorHeight * 4);
    return scaler.ToColorPicture(decoded, geometry, color->pixels.data()) &&
           MakeHalfPicture(color);
  }
  // Any other size: scaled once, straight to the half-size picture; the full
  // picture is drawn only if something reads it.
  color->pixels.clear();
  color->half_width = kColorWidth / 2;
  color->half_height = kColorHeight / 2;
  color->half_pixels.resize(size_t(color->half_width) * color->half_height * 4);
  if (!scaler.ToStagePicture(decoded, geometry, color->half_pixels.data())) return false;
  color->full_picture = std::make_shared<DeferredColorPicture>(decoded, geometry);
  return true;
}
