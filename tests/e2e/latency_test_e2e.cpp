// The latency test of the real program against the simulated camera turned to
// the screen (--sim-screen-delay-ms=N): its file and its summary line recover
// N. The simulated camera takes a picture every 33.3 ms at a phase of its own,
// so the first bright picture comes N plus up to one frame period after the
// flip: the shortest delay is N itself, the mean N plus half the period.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "e2e/real_program_test.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr double kSimFramePeriodMs = 1000.0 / 30;
constexpr int kFlashes = 50;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class LatencyTestE2E : public RealProgramTest, public testing::WithParamInterface<int> {
 protected:
  LatencyTestE2E() : RealProgramTest("tavelin2-latency") {}
};

TEST_P(LatencyTestE2E, RecoversTheSimulatedScreenDelay) {
  const int delay_ms = GetParam();
  const fs::path out_path = dir_ / "stdout.txt";
  ProgramProcess app(program_.string(),
                     {"--sensor=sim", "--sim-screen-delay-ms=" + std::to_string(delay_ms),
                      "--latency-test", "--flashes=" + std::to_string(kFlashes)},
                     dir_.string(), {}, out_path.string());
  const auto status = app.WaitForExit(300s);
  ASSERT_TRUE(status) << "the latency test did not end";
  EXPECT_EQ(*status, 0);

  // The summary line comes last.
  std::string output = ReadAll(out_path);
  while (!output.empty() && output.back() == '\n') output.pop_back();
  const std::string last = output.substr(output.rfind('\n') + 1);
  std::smatch m;
  const std::regex line(
      "latency: n (\\d+), mean ([0-9.]+) ms, median ([0-9.]+) ms, min ([0-9.]+) ms, "
      "sd ([0-9.]+) ms, missed (\\d+)");
  ASSERT_TRUE(std::regex_match(last, m, line)) << output;
  std::cout << "sim screen delay " << delay_ms << " ms: " << last << "\n";

  // The file: its header, one row per flash, CR LF, for the user alone.
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir_))
    if (std::regex_match(e.path().filename().string(), std::regex("latency_\\d{8}_\\d{6}\\.csv")))
      files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  struct stat st {};
  ASSERT_EQ(::stat(files[0].c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::istringstream csv(ReadAll(files[0]));
  std::string row;
  ASSERT_TRUE(std::getline(csv, row));
  EXPECT_EQ(row, "Flash,Flip,FirstBright,LastDark,Delay\r");
  std::vector<double> delays;
  int rows = 0;
  double previous_flip = 0;
  while (std::getline(csv, row)) {
    ASSERT_FALSE(row.empty());
    ASSERT_EQ(row.back(), '\r') << row;
    ++rows;
    int flash = 0;
    double flip = 0, bright = 0, dark = 0, delay = 0;
    ASSERT_EQ(std::sscanf(row.c_str(), "%d,%lf,%lf,%lf,%lf", &flash, &flip, &bright, &dark, &delay),
              5)
        << row;
    EXPECT_EQ(flash, rows);
    EXPECT_GT(flip, previous_flip);
    previous_flip = flip;
    if (delay == -1) continue;
    EXPECT_NEAR(delay, bright - flip, 0.11) << row;
    EXPECT_LT(dark, bright) << row;
    EXPECT_LE(bright - dark, 1.5 * kSimFramePeriodMs) << row;
    // No picture can show a flip before the screen delay has passed, whatever
    // the phase or the load (times are written to 0.1 ms).
    EXPECT_GE(bright, flip + delay_ms - 0.11) << row;
    delays.push_back(delay);
  }
  EXPECT_EQ(rows, kFlashes);
  ASSERT_EQ(std::stoi(m[1]), static_cast<int>(delays.size()));
  EXPECT_EQ(std::stoi(m[6]), kFlashes - static_cast<int>(delays.size()));
  ASSERT_GE(delays.size(), static_cast<size_t>(kFlashes) - 2) << "flashes not seen";

  double sum = 0;
  for (const double d : delays) sum += d;
  const double mean = sum / static_cast<double>(delays.size());
  const double min = *std::min_element(delays.begin(), delays.end());
  EXPECT_NEAR(std::stod(m[2]), mean, 0.06);
  EXPECT_NEAR(std::stod(m[4]), min, 0.06);
  EXPECT_NEAR(min, delay_ms, 3.0);
  // The camera's frame phase at each flash is uniform over a frame period, so
  // the mean lies half a period above the delay, within four standard errors
  // of such a mean (about 5.6 ms for 48 flashes).
  const double standard_error =
      kSimFramePeriodMs / std::sqrt(12.0) / std::sqrt(static_cast<double>(delays.size()));
  EXPECT_NEAR(mean, delay_ms + kSimFramePeriodMs / 2, 4 * standard_error);

  // Kept for the run records of the simulated sensor.
  const auto kept = nlohmann::json::parse(ReadAll(dir_ / "Tavelin2_latency.json"));
  ASSERT_EQ(kept["tests"].size(), 1u);
  EXPECT_EQ(kept["tests"][0]["device"], "sim");
  EXPECT_EQ(kept["tests"][0]["n"], static_cast<int>(delays.size()));
  EXPECT_EQ(kept["tests"][0]["file"], files[0].filename().string());
}

INSTANTIATE_TEST_SUITE_P(ScreenDelays, LatencyTestE2E, testing::Values(0, 40, 120),
                         [](const testing::TestParamInfo<int>& info) {
                           return "N" + std::to_string(info.param) + "ms";
                         });

}  // namespace
