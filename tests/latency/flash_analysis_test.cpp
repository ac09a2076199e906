// Reading the flashes from the pictures: which picture is the first bright
// one, when a flash counts as not seen, and the summary of the delays.

#include "latency/flash_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr int64_t kMs = 1'000'000;
constexpr int64_t kPeriod = 33'333'333;
constexpr double kDark = 20, kBright = 180;

// A camera that sees the screen `latency` late: pictures every kPeriod from
// `first_capture` until `until`, bright while the screen was white.
std::vector<PictureSample> Camera(const std::vector<FlashTimes>& flashes, int64_t latency,
                                  int64_t first_capture, int64_t until) {
  std::vector<PictureSample> pictures;
  for (int64_t t = first_capture; t < until; t += kPeriod) {
    bool white = false;
    for (const FlashTimes& f : flashes)
      white = white || (t - latency >= f.flip_ns && t - latency < f.dark_ns);
    pictures.push_back({t, white ? kBright : kDark});
  }
  return pictures;
}

TEST(FlashAnalysisTest, FirstBrightPictureAndWhenAFlashIsNotSeen) {
  // Two flashes: flips at 1000 ms and 2300 ms, white for 300 ms each.
  const std::vector<FlashTimes> flashes = {{1000 * kMs, 1300 * kMs}, {2300 * kMs, 2600 * kMs}};
  const int64_t first_capture = 5 * kMs;
  struct Case {
    const char* what;
    int64_t latency;
    std::function<void(std::vector<PictureSample>&)> change;  // applied to the camera's pictures
    bool seen;
  };
  const Case cases[] = {
      {"a camera 40 ms late", 40 * kMs, nullptr, true},
      {"a camera seeing at once", 0, nullptr, true},
      {"no contrast: the camera does not see the screen", 40 * kMs,
       [](std::vector<PictureSample>& p) {
         for (PictureSample& s : p) s.brightness = kDark + (s.brightness > kDark ? 5 : 0);
       },
       false},
      {"the picture before the first bright one was lost", 40 * kMs,
       [](std::vector<PictureSample>& p) {
         for (size_t i = 1; i < p.size(); ++i)
           if (p[i].brightness == kBright && p[i - 1].brightness == kDark) {
             p.erase(p.begin() + static_cast<std::ptrdiff_t>(i - 1));
             return;
           }
       },
       false},
      {"a picture half-way counts as dark below the middle", 40 * kMs,
       [](std::vector<PictureSample>& p) {
         for (size_t i = 1; i < p.size(); ++i)
           if (p[i].brightness == kBright && p[i - 1].brightness == kDark) {
             p[i].brightness = kDark + 0.45 * (kBright - kDark);
             return;
           }
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<PictureSample> pictures = Camera(flashes, c.latency, first_capture, 3200 * kMs);
    if (c.change) c.change(pictures);
    const std::vector<FlashResult> results = FindFlashesInPictures(flashes, pictures, 0);
    ASSERT_EQ(results.size(), 2u);
    const FlashResult& r = results[0];
    EXPECT_EQ(r.seen, c.seen);
    if (!c.seen) continue;
    // The first capture at or after flip + latency that the camera still has as bright.
    std::optional<PictureSample> first, before;
    for (size_t i = 1; i < pictures.size(); ++i)
      if (!first && pictures[i].captured_ns >= r.flip_ns && pictures[i].brightness > 100) {
        first = pictures[i];
        before = pictures[i - 1];
      }
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(r.first_bright_ns, first->captured_ns);
    EXPECT_EQ(r.last_dark_ns, before->captured_ns);
    EXPECT_GE(r.DelayMs(), static_cast<double>(c.latency) / kMs);
    // A half-bright picture counted dark puts the first bright one a period later.
    const int64_t periods = c.change ? 2 : 1;
    EXPECT_LT(r.DelayMs(), static_cast<double>(c.latency + periods * kPeriod) / kMs);
  }
}

TEST(FlashAnalysisTest, FlashesThatCannotBeRead) {
  const int64_t first_capture = 5 * kMs;
  // Latency beyond half the black wait: the previous flash still shows when
  // this one's pictures begin, so no dark picture comes before its bright ones.
  {
    const std::vector<FlashTimes> flashes = {{1000 * kMs, 1300 * kMs}, {1500 * kMs, 1800 * kMs}};
    const auto pictures = Camera(flashes, 150 * kMs, first_capture, 2500 * kMs);
    const auto results = FindFlashesInPictures(flashes, pictures, 0);
    EXPECT_TRUE(results[0].seen);
    EXPECT_FALSE(results[1].seen);
  }
  // A white frame never presented: its flip is unknown.
  {
    const std::vector<FlashTimes> shown = {{1000 * kMs, 1300 * kMs}};
    const auto pictures = Camera(shown, 40 * kMs, first_capture, 2000 * kMs);
    const std::vector<FlashTimes> unknown = {{0, 1300 * kMs}};
    EXPECT_FALSE(FindFlashesInPictures(unknown, pictures, 0)[0].seen);
  }
  // No pictures at all.
  EXPECT_FALSE(
      FindFlashesInPictures(std::vector<FlashTimes>{{1000 * kMs, 1300 * kMs}}, {}, 0)[0].seen);
}

TEST(FlashAnalysisTest, CameraPeriodIgnoresLostPictures) {
  std::vector<PictureSample> pictures;
  for (int i = 0; i < 60; ++i)
    if (i % 3 != 1) pictures.push_back({i * kPeriod, 0});  // every third picture lost
  EXPECT_EQ(CameraPeriod_ns(pictures), kPeriod);
  EXPECT_EQ(CameraPeriod_ns(std::vector<PictureSample>{{5, 0}}), 0);
}

TEST(FlashAnalysisTest, SummaryOfTheSeenFlashes) {
  const auto seen = [](double delay_ms) {
    FlashResult r;
    r.flip_ns = 1000 * kMs;
    r.seen = true;
    r.first_bright_ns = r.flip_ns + static_cast<int64_t>(std::llround(delay_ms * 1e6));
    r.last_dark_ns = r.first_bright_ns - kPeriod;
    return r;
  };
  const std::vector<FlashResult> results = {seen(50), seen(40), FlashResult{}, seen(70), seen(60)};
  const LatencySummary s = SummariseFlashes(results);
  EXPECT_EQ(s.flashes, 5);
  EXPECT_EQ(s.seen, 4);
  EXPECT_EQ(s.missed(), 1);
  EXPECT_DOUBLE_EQ(s.MissedShare(), 0.2);
  EXPECT_NEAR(s.mean_ms, 55.0, 1e-9);
  EXPECT_NEAR(s.median_ms, 55.0, 1e-9);
  EXPECT_NEAR(s.min_ms, 40.0, 1e-9);
  EXPECT_NEAR(s.sd_ms, std::sqrt(500.0 / 3.0), 1e-9);  // sample SD

  const LatencySummary none = SummariseFlashes(std::vector<FlashResult>(3));
  EXPECT_EQ(none.seen, 0);
  EXPECT_EQ(none.missed(), 3);
  EXPECT_EQ(none.mean_ms, 0);
}

}  // namespace
