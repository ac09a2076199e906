// The camera backend's models on ONNX Runtime, without a camera: the converted
// models against the NumPy reference of the original graphs, people and hands
// in Debian's test pictures, and tracking IDs through a street video.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <sstream>

#include "body/backends/camera/camera_assets.h"
#include "body/backends/camera/onnx_model.h"

namespace {

struct RefTensor {
  std::vector<int64_t> shape;
  std::vector<float> values;
};

// Reads <dir>/manifest.txt and the .f32 files it names; the first is the input.
std::vector<std::pair<std::string, RefTensor>> ReadReference(const std::string& dir) {
  std::vector<std::pair<std::string, RefTensor>> tensors;
  std::ifstream manifest(dir + "/manifest.txt");
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string name;
    fields >> name;
    RefTensor t;
    size_t count = 1;
    for (int64_t d; fields >> d;) t.shape.push_back(d), count *= size_t(d);
    t.values.resize(count);
    std::ifstream data(dir + "/" + name + ".f32", std::ios::binary);
    data.read(reinterpret_cast<char*>(t.values.data()), std::streamsize(count * sizeof(float)));
    if (!data) return {};
    tensors.emplace_back(name, std::move(t));
  }
  return tensors;
}

class ConvertedModel : public ::testing::TestWithParam<const char*> {};

TEST_P(ConvertedModel, MatchesTheReferenceOfTheOriginalGraph) {
  const std::string name = GetParam();
  const auto ref = ReadReference(CameraAssetsDir() + "/models/" + name + ".reference");
  ASSERT_GE(ref.size(), 2u) << "reference outputs missing; run tools/setup-extra.sh";
  OnnxModel model;
  std::string error;
  ASSERT_TRUE(model.Load(ModelPath(name), 1, &error)) << error;
  std::vector<Tensor> out;
  ASSERT_TRUE(model.Run(ref[0].second.values.data(), ref[0].second.shape, &out, &error)) << error;
  for (size_t i = 1; i < ref.size(); ++i) {
    const auto& [out_name, expected] = ref[i];
    const int index = model.OutputIndex(out_name);
    ASSERT_GE(index, 0) << out_name;
    const Tensor& got = out[index];
    EXPECT_EQ(got.shape, expected.shape) << out_name;
    ASSERT_EQ(got.values.size(), expected.values.size()) << out_name;
    float peak = 0;
    for (float v : expected.values) peak = std::max(peak, std::fabs(v));
    // float32 sums in another order: agreement to 1e-4 of the output's range.
    const float tolerance = 1e-4f * peak + 1e-6f;
    float worst = 0;
    size_t worst_at = 0;
    for (size_t j = 0; j < got.values.size(); ++j) {
      const float d = std::fabs(got.values[j] - expected.values[j]);
      if (!(d <= worst)) worst = d, worst_at = j;
    }
    EXPECT_LE(worst, tolerance) << out_name << " differs most at " << worst_at << ": "
                                << got.values[worst_at] << " vs " << expected.values[worst_at];
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, ConvertedModel,
                         ::testing::Values("movenet-multipose", "handlandmark-lite",
                                           "handlandmark-full"));

}  // namespace
