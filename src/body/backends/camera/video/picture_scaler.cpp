#include "body/backends/camera/video/picture_scaler.h"

#include <algorithm>
#include <tuple>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "body/sensor/sensor_types.h"

namespace {

// JPEG decoders report "full range" formats; swscale wants the plain format
// with the range given as a colour detail.
AVPixelFormat PlainFormat(AVPixelFormat format, bool* full_range) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P:
      *full_range = true;
      return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
      *full_range = true;
      return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
      *full_range = true;
      return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
      *full_range = true;
      return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
      *full_range = true;
      return AV_PIX_FMT_YUV411P;
    default:
      return format;
  }
}

}  // namespace

PictureScaler::~PictureScaler() {
  sws_freeContext(context_);
}

bool PictureScaler::Convert(const AVFrame& frame, cv::Rect crop, int out_format, cv::Size out_size,
                            uint8_t* out, int out_stride, int flags) {
  bool full_range = frame.color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat in_format = PlainFormat(AVPixelFormat(frame.format), &full_range);
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(in_format);
  if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM))) return false;
  crop &= cv::Rect(0, 0, frame.width, frame.height);
  // The crop starts on a whole chroma sample, so that every plane starts at
  // the same place in the picture.
  crop.x &= ~((1 << desc->log2_chroma_w) - 1);
  crop.y &= ~((1 << desc->log2_chroma_h) - 1);
  if (crop.empty() || out_size.width <= 0 || out_size.height <= 0) return false;

  const uint8_t* planes[4] = {};
  int strides[4] = {};
  const bool palette = desc->flags & AV_PIX_FMT_FLAG_PAL;
  for (int i = 0; i < 4 && frame.data[i]; ++i) {
    planes[i] = frame.data[i];
    strides[i] = frame.linesize[i];
    if (palette && i > 0) continue;
    const bool chroma = i == 1 || i == 2;
    const int row = chroma ? crop.y >> desc->log2_chroma_h : crop.y;
    const int column_bytes = std::max(av_image_get_linesize(in_format, crop.x, i), 0);
    planes[i] += ptrdiff_t(row) * frame.linesize[i] + column_bytes;
  }

  const int range_key = (full_range ? 1 : 0) | (frame.colorspace == AVCOL_SPC_BT709 ? 2 : 0);
  const auto key = std::make_tuple(crop.width, crop.height, int(in_format), out_size.width,
                                   out_size.height, out_format, flags, range_key);
  if (!context_ || key != key_) {
    sws_freeContext(context_);
    context_ = sws_getContext(crop.width, crop.height, in_format, out_size.width, out_size.height,
                              AVPixelFormat(out_format), flags, nullptr, nullptr, nullptr);
    if (!context_) return false;
    // Pictures decoded from YUV: BT.601 unless the file says BT.709; RGB out
    // is always full range. (Fails harmlessly for RGB in.)
    const int space = frame.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    sws_setColorspaceDetails(context_, sws_getCoefficients(space), full_range ? 1 : 0,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    key_ = key;
  }
  uint8_t* const dst[4] = {out, nullptr, nullptr, nullptr};
  const int dst_strides[4] = {out_stride, 0, 0, 0};
  return sws_scale(context_, planes, strides, 0, crop.height, dst, dst_strides) == out_size.height;
}

bool PictureScaler::ToColorPicture(const AVFrame& frame, const ColorFrameGeometry& geometry,
                                   uint8_t* bgra) {
  // Fast bilinear: the picture is for the eye (the stage halves it again),
  // and it costs two thirds of swscale's exact bilinear (bench/camera).
  return Convert(frame, geometry.crop, AV_PIX_FMT_BGRA, {kColorWidth, kColorHeight}, bgra,
                 kColorWidth * 4, SWS_FAST_BILINEAR);
}

bool PictureScaler::ToStagePicture(const AVFrame& frame, const ColorFrameGeometry& geometry,
                                   uint8_t* bgra) {
  // Fast bilinear, as for the full picture (exact bilinear or area averaging
  // cost 25 to 30 % more here: bench/camera).
  constexpr int kWidth = kColorWidth / 2, kHeight = kColorHeight / 2;
  return Convert(frame, geometry.crop, AV_PIX_FMT_BGRA, {kWidth, kHeight}, bgra, kWidth * 4,
                 SWS_FAST_BILINEAR);
}

bool PictureScaler::ToBgr(const AVFrame& frame, cv::Mat* bgr) {
  // swscale's fast YUV to RGB converter works in blocks of 16 pixels: a row
  // that ends inside a block is either written past its end or left short.
  // Such widths take the exact path; that one may still write a few bytes
  // past tiny pictures, so the picture is always followed by room of its own.
  constexpr ptrdiff_t kRoom = 64;
  const ptrdiff_t bytes = ptrdiff_t(frame.width) * frame.height * 3;
  if (frame.width <= 0 || frame.height <= 0) return false;
  if (bgr->rows != frame.height || bgr->cols != frame.width || bgr->type() != CV_8UC3 ||
      !bgr->isContinuous() || bgr->datalimit - bgr->data < bytes + kRoom) {
    const cv::Mat whole(1, int(bytes + kRoom), CV_8UC1);
    *bgr = whole.colRange(0, int(bytes)).reshape(3, frame.height);
  }
  const int flags = frame.width % 16 == 0 ? SWS_POINT : SWS_POINT | SWS_ACCURATE_RND;
  return Convert(frame, {0, 0, frame.width, frame.height}, AV_PIX_FMT_BGR24,
                 {frame.width, frame.height}, bgr->data, static_cast<int>(bgr->step), flags);
}

bool PictureScaler::ToSize(const AVFrame& frame, cv::Size size, AVFramePtr* out) {
  AVFramePtr scaled(av_frame_alloc());
  if (!scaled || size.width <= 0 || size.height <= 0) return false;
  scaled->format = AV_PIX_FMT_BGR24;
  scaled->width = size.width;
  scaled->height = size.height;
  // Rows 64-byte aligned, with the pool's padding after the last one: room
  // for what swscale writes past a row's end.
  if (av_frame_get_buffer(scaled.get(), 64) < 0) return false;
  const int flags = size.width % 16 == 0 ? SWS_BILINEAR : SWS_BILINEAR | SWS_ACCURATE_RND;
  if (!Convert(frame, {0, 0, frame.width, frame.height}, AV_PIX_FMT_BGR24, size, scaled->data[0],
               scaled->linesize[0], flags))
    return false;
  scaled->pts = frame.pts;
  scaled->best_effort_timestamp = frame.best_effort_timestamp;
  *out = std::move(scaled);
  return true;
}
