// The committed balloon and burst images: what the stage relies on (size,
// alpha, placement on the hit rectangle), that each balloon carries the sign
// its number stands for, and that they are what the generator makes.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "balloon_art.h"
#include "burst_art.h"
#include "stimulus_files.h"
#include "stimulus_set.h"

namespace {

constexpr int kHitSize = 128;  // the stage places images on the 128 x 128 hit rectangle

// "balloon1.png" -> "balloon1_png", a valid test name.
std::string TestNameOf(const char* file_name) {
  std::string name = file_name;
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

QImage LoadCommitted(const std::string& file_name) {
  QImage image(QString::fromStdString((stimuli_test::CommittedStimDir() / file_name).string()));
  return image.convertToFormat(QImage::Format_ARGB32);
}

struct ImageCase {
  const char* file_name;
  int width, height;
};

class CommittedImage : public testing::TestWithParam<ImageCase> {};

TEST_P(CommittedImage, FitsTheHitRectangleWithTransparentSurroundings) {
  const ImageCase& c = GetParam();
  const QImage image = LoadCommitted(c.file_name);
  ASSERT_FALSE(image.isNull()) << c.file_name << " does not load as PNG";
  EXPECT_EQ(image.width(), c.width);
  EXPECT_EQ(image.height(), c.height);
  const QImage raw(
      QString::fromStdString((stimuli_test::CommittedStimDir() / c.file_name).string()));
  EXPECT_TRUE(raw.hasAlphaChannel()) << c.file_name << " has no alpha channel";

  for (QPoint corner : {QPoint(0, 0), QPoint(c.width - 1, 0), QPoint(0, c.height - 1),
                        QPoint(c.width - 1, c.height - 1)}) {
    EXPECT_EQ(qAlpha(image.pixel(corner)), 0)
        << c.file_name << " corner " << corner.x() << "," << corner.y() << " is not transparent";
  }
  EXPECT_EQ(qAlpha(image.pixel(kHitSize / 2, kHitSize / 2)), 255) << "centre not opaque";

  // The shape spans the hit rectangle, so what the child sees is what pops.
  int left = kHitSize, right = -1, top = kHitSize, bottom = -1;
  for (int y = 0; y < kHitSize; ++y) {
    for (int x = 0; x < kHitSize; ++x) {
      if (qAlpha(image.pixel(x, y)) < 128) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_GE(right - left + 1, 110) << c.file_name;
  EXPECT_GE(bottom - top + 1, 110) << c.file_name;
  EXPECT_NEAR((left + right) / 2.0, kHitSize / 2.0, 4) << c.file_name << " not centred";
}

INSTANTIATE_TEST_SUITE_P(
    Stim, CommittedImage,
    testing::Values(ImageCase{"balloon0.png", stimuli::kBalloonWidth, stimuli::kBalloonHeight},
                    ImageCase{"balloon1.png", stimuli::kBalloonWidth, stimuli::kBalloonHeight},
                    ImageCase{"balloon2.png", stimuli::kBalloonWidth, stimuli::kBalloonHeight},
                    ImageCase{"balloon3.png", stimuli::kBalloonWidth, stimuli::kBalloonHeight},
                    ImageCase{"bomb.png", stimuli::kBurstSize, stimuli::kBurstSize}),
    [](const auto& info) { return TestNameOf(info.param.file_name); });

// A hand sign shows as the pixels where a sign balloon differs from the plain one.
using Mask = std::vector<std::vector<bool>>;

Mask SignMask(const QImage& sign_balloon, const QImage& plain_balloon) {
  Mask mask(kHitSize, std::vector<bool>(kHitSize));
  for (int y = 0; y < kHitSize; ++y) {
    for (int x = 0; x < kHitSize; ++x) {
      const QRgb a = sign_balloon.pixel(x, y), b = plain_balloon.pixel(x, y);
      const int diff = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
      mask[y][x] = diff > 40;
    }
  }
  return mask;
}

// How far each peak of a silhouette stands up on its own: sweeping a cut
// line from the top down, a part first appears at its tip and ends where it
// merges into a part whose tip is higher; the drop between is its prominence.
// A part never merged stands up the whole height. One finger, one peak.
std::vector<int> PeakProminences(const Mask& mask) {
  const int size = static_cast<int>(mask.size());
  std::vector<int> parent(size * size), tip(size * size);
  std::vector<int> prominences;
  auto find = [&](int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  auto merge = [&](int a, int b, int cut) {
    a = find(a), b = find(b);
    if (a == b) return;
    if (tip[a] > tip[b]) std::swap(a, b);  // a has the higher tip and lives on
    prominences.push_back(cut - tip[b]);
    parent[b] = a;
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (!mask[y][x]) continue;
      const int i = y * size + x;
      parent[i] = i, tip[i] = y;
      if (x > 0 && mask[y][x - 1]) merge(i, i - 1, y);
      if (y > 0 && mask[y - 1][x]) merge(i, i - size, y);
    }
  }
  for (int i = 0; i < size * size; ++i) {
    if (mask[i / size][i % size] && find(i) == i) prominences.push_back(size - tip[i]);
  }
  return prominences;
}

// Knuckle bumps and antialiasing steps stand a few pixels; fingers, even the
// thumb, well above that.
int CountFingerLikePeaks(const Mask& mask) {
  constexpr int kMinProminence_px = 6;
  const std::vector<int> all = PeakProminences(mask);
  return static_cast<int>(
      std::count_if(all.begin(), all.end(), [](int p) { return p >= kMinProminence_px; }));
}

struct SignCase {
  const char* file_name;
  const char* sign;
  int peaks;  // a fist 1, scissors 2 fingers, paper 5 fingers
};

class SignBalloon : public testing::TestWithParam<SignCase> {};

TEST_P(SignBalloon, CarriesItsHandSignLargeAndInsideTheBalloon) {
  const SignCase& c = GetParam();
  const QImage plain = LoadCommitted("balloon0.png");
  const QImage signed_balloon = LoadCommitted(c.file_name);
  ASSERT_FALSE(plain.isNull());
  ASSERT_FALSE(signed_balloon.isNull());
  const Mask mask = SignMask(signed_balloon, plain);

  EXPECT_EQ(CountFingerLikePeaks(mask), c.peaks) << c.file_name << " should show " << c.sign;

  int left = kHitSize, right = -1, top = kHitSize, bottom = -1;
  for (int y = 0; y < kHitSize; ++y) {
    for (int x = 0; x < kHitSize; ++x) {
      if (!mask[y][x]) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
      ASSERT_EQ(qAlpha(signed_balloon.pixel(x, y)), 255)
          << c.file_name << ": the sign leaves the balloon at " << x << "," << y;
    }
  }
  EXPECT_GE(right - left + 1, 64) << c.file_name << ": sign too small to read";
  EXPECT_GE(bottom - top + 1, 64) << c.file_name << ": sign too small to read";
}

INSTANTIATE_TEST_SUITE_P(Stim, SignBalloon,
                         testing::Values(SignCase{"balloon1.png", "rock (a fist)", 1},
                                         SignCase{"balloon2.png", "scissors (two fingers)", 2},
                                         SignCase{"balloon3.png", "paper (five fingers)", 5}),
                         [](const auto& info) { return TestNameOf(info.param.file_name); });

TEST(CommittedImages, AreWhatTheGeneratorMakes) {
  for (const stimuli::StimulusImage& generated : stimuli::PaintStimulusImages()) {
    const QImage committed = LoadCommitted(generated.file_name);
    ASSERT_EQ(committed.size(), generated.image.size()) << generated.file_name;
    int worst = 0;
    for (int y = 0; y < committed.height(); ++y) {
      for (int x = 0; x < committed.width(); ++x) {
        const QRgb a = committed.pixel(x, y), b = generated.image.pixel(x, y);
        worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                          std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
      }
    }
    // A small margin for antialiasing differences between Qt builds.
    EXPECT_LE(worst, 2) << generated.file_name
                        << " differs from the generator's output: regenerate stim/";
  }
}

}  // namespace
