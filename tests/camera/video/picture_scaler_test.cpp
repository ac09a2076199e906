// PictureScaler::ToBgr on pictures of every width around a multiple of 16:
// swscale's converters write whole blocks of pixels, so a row that ends
// inside a block must never reach past the picture's own buffer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <opencv2/core.hpp>

extern "C" {
#include <libavutil/frame.h>
}

#include "body/backends/camera/video/picture_scaler.h"

namespace {

struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using Frame = std::unique_ptr<AVFrame, FrameFree>;

// A decoded-looking picture: grey steps across (so a column left unwritten
// shows), no colour, full range as a JPEG decoder gives it.
Frame GreyRamp(int width, int height, AVPixelFormat format) {
  Frame frame(av_frame_alloc());
  frame->width = width;
  frame->height = height;
  frame->format = format;
  frame->color_range = AVCOL_RANGE_JPEG;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      frame->data[0][y * frame->linesize[0] + x] = uint8_t(16 + x % 224);
  const int chroma_rows = format == AV_PIX_FMT_YUVJ420P ? (height + 1) / 2 : height;
  for (int plane = 1; plane <= 2; ++plane)
    std::fill_n(frame->data[plane], size_t(chroma_rows) * frame->linesize[plane], uint8_t{128});
  return frame;
}

struct ScalerCase {
  int width;
  int height;
  AVPixelFormat format;
};

class PictureScalerWidths : public testing::TestWithParam<ScalerCase> {};

// The output is handed in exactly as large as the picture, with a fence of
// known bytes right after it (and the heap's own checks under AddressSanitizer).
TEST_P(PictureScalerWidths, ToBgrWritesEveryPixelAndNothingPastThePicture) {
  const ScalerCase c = GetParam();
  const Frame frame = GreyRamp(c.width, c.height, c.format);
  ASSERT_TRUE(frame);
  const size_t bytes = size_t(c.width) * c.height * 3;
  constexpr size_t kFence = 256;
  std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes + kFence]);
  std::fill_n(exact.get(), bytes + kFence, uint8_t{0xA5});
  cv::Mat bgr(c.height, c.width, CV_8UC3, exact.get());

  PictureScaler scaler;
  for (int round = 0; round < 2; ++round) {  // the cached context too
    ASSERT_TRUE(scaler.ToBgr(*frame, &bgr));
    ASSERT_EQ(bgr.rows, c.height);
    ASSERT_EQ(bgr.cols, c.width);
    for (size_t i = bytes; i < bytes + kFence; ++i)
      ASSERT_EQ(exact[i], 0xA5) << "written " << i - bytes << " bytes past the picture";
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        const cv::Vec3b px = bgr.at<cv::Vec3b>(y, x);
        const int grey = 16 + x % 224;
        for (int k = 0; k < 3; ++k)
          ASSERT_LE(std::abs(px[k] - grey), 2) << "pixel " << x << "," << y << " channel " << k;
      }
  }

  // A fresh picture of its own, as the sensor's loop starts with.
  cv::Mat own;
  ASSERT_TRUE(scaler.ToBgr(*frame, &own));
  EXPECT_EQ(own.size(), cv::Size(c.width, c.height));
  EXPECT_EQ(own.at<cv::Vec3b>(c.height - 1, c.width - 1)[1], 16 + (c.width - 1) % 224);
}

// A camera that switched size: the picture scaled to sizes of both kinds,
// every byte of it written by the scaler alone (AddressSanitizer watches the
// rows' ends), the ramp still rising from its dark left edge.
TEST_P(PictureScalerWidths, ToSizeGivesTheWholePictureAtTheNewSize) {
  const ScalerCase c = GetParam();
  const Frame frame = GreyRamp(c.width, c.height, c.format);
  ASSERT_TRUE(frame);
  PictureScaler scaler;
  for (const cv::Size size : {cv::Size(424, 240), cv::Size(17, 9), cv::Size(640, 360)}) {
    AVFramePtr scaled;
    ASSERT_TRUE(scaler.ToSize(*frame, size, &scaled)) << size;
    ASSERT_EQ(scaled->width, size.width);
    ASSERT_EQ(scaled->height, size.height);
    ASSERT_EQ(scaled->format, AV_PIX_FMT_BGR24);
    const uint8_t* last_row = scaled->data[0] + ptrdiff_t(size.height - 1) * scaled->linesize[0];
    // Green of the first pixel: the ramp's first columns, as many as it covers.
    EXPECT_GE(last_row[1], 13) << size;
    EXPECT_LE(last_row[1], 19 + c.width / size.width) << size;
    if (c.width <= 224 && c.width >= 8)  // no wrap in the ramp: it ends brighter
      EXPECT_GT(last_row[(size.width - 1) * 3 + 1], last_row[1]) << size;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AroundMultiplesOf16, PictureScalerWidths,
    testing::Values(
        ScalerCase{424, 240, AV_PIX_FMT_YUVJ420P}, ScalerCase{424, 240, AV_PIX_FMT_YUVJ422P},
        ScalerCase{1366, 768, AV_PIX_FMT_YUVJ422P}, ScalerCase{1366, 768, AV_PIX_FMT_YUVJ420P},
        ScalerCase{1280, 720, AV_PIX_FMT_YUVJ422P}, ScalerCase{638, 480, AV_PIX_FMT_YUVJ420P},
        ScalerCase{15, 8, AV_PIX_FMT_YUVJ420P}, ScalerCase{16, 8, AV_PIX_FMT_YUVJ420P},
        ScalerCase{17, 8, AV_PIX_FMT_YUVJ422P}, ScalerCase{31, 8, AV_PIX_FMT_YUVJ422P},
        ScalerCase{33, 8, AV_PIX_FMT_YUVJ420P}, ScalerCase{40, 2, AV_PIX_FMT_YUVJ422P},
        ScalerCase{24, 4, AV_PIX_FMT_YUVJ420P}, ScalerCase{2, 2, AV_PIX_FMT_YUVJ422P},
        // Odd heights take swscale's exact path.
        ScalerCase{17, 9, AV_PIX_FMT_YUVJ422P}, ScalerCase{31, 7, AV_PIX_FMT_YUVJ420P},
        ScalerCase{424, 239, AV_PIX_FMT_YUVJ420P}, ScalerCase{2, 3, AV_PIX_FMT_YUVJ422P}),
    [](const testing::TestParamInfo<ScalerCase>& info) {
      return std::to_string(info.param.width) + "x" + std::to_string(info.param.height) +
             (info.param.format == AV_PIX_FMT_YUVJ420P ? "_420" : "_422");
    });

}  // namespace
