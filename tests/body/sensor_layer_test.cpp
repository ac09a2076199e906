// The sensor layer without a backend behind it: mailboxes and frame pools,
// the frame handles' status rules, the colour conversion, readers and the
// backend registry.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "body/backends/scripted/scripted_sensor.h"
#include "body/backends/sim/sim_sensor.h"
#include "body/sensor/backend_options.h"
#include "body/sensor/color_conversion.h"
#include "body/sensor/sensor_handles.h"
#include "body/sensor/sensor_registry.h"

namespace {

// ---- mailbox and pool ----

TEST(FrameMailbox, EachReaderTakesTheNewestFrameOnce) {
  FrameMailbox<int> box;
  uint64_t reader_a = 0, reader_b = 0;
  EXPECT_EQ(box.TakeNewerThan(&reader_a), nullptr);
  box.Publish(std::make_shared<const int>(1));
  box.Publish(std::make_shared<const int>(2));
  auto a = box.TakeNewerThan(&reader_a);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(*a, 2);  // the first one was overwritten
  EXPECT_EQ(box.TakeNewerThan(&reader_a), nullptr);
  auto b = box.TakeNewerThan(&reader_b);  // another reader still gets it
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(*b, 2);
  box.Publish(nullptr);  // ignored
  EXPECT_EQ(box.published_count(), 2u);
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t now_ns = int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
  EXPECT_GT(box.newest_published_at_ns(), now_ns - 1000000000);
  EXPECT_LE(box.newest_published_at_ns(), now_ns);
}

TEST(FrameMailbox, ConcurrentPublishAndTakeSeeFramesInOrder) {
  FrameMailbox<int> box;
  constexpr int kFrames = 20000;
  std::thread producer([&] {
    for (int i = 1; i <= kFrames; ++i) box.Publish(std::make_shared<const int>(i));
  });
  uint64_t taken = 0;
  int last = 0;
  while (last < kFrames) {
    if (auto frame = box.TakeNewerThan(&taken)) {
      ASSERT_GT(*frame, last);
      ASSERT_EQ(static_cast<uint64_t>(*frame), taken);  // the count numbers the frame
      last = *frame;
    }
  }
  producer.join();
}

TEST(FramePool, RecyclesReleasedFramesAndOutlivesNothing) {
  auto pool = FramePool<std::vector<int>>::Create(1);
  std::vector<int>* first = nullptr;
  {
    auto frame = pool->Acquire();
    frame->assign(100, 7);
    first = frame.get();
  }
  auto again = pool->Acquire();
  EXPECT_EQ(again.get(), first);
  EXPECT_EQ(again->size(), 100u);  // contents as last written
  auto other = pool->Acquire();
  EXPECT_NE(other.get(), first);
  pool.reset();  // frames still out are deleted on release (checked by ASan)
  again.reset();
  other.reset();
}

// ---- colour conversion ----

TEST(ColorConversion, Yuy2ToBgraKnownColours) {
  struct Case {
    uint8_t y, u, v;
    uint8_t r, g, b;
  };
  const Case cases[] = {
      {16, 128, 128, 0, 0, 0},         // black
      {235, 128, 128, 255, 255, 255},  // white
      {126, 128, 128, 128, 128, 128},  // mid grey
      {81, 90, 240, 255, 0, 0},        // red
      {145, 54, 34, 0, 255, 0},        // green
      {41, 240, 110, 0, 0, 255},       // blue
      {0, 0, 0, 0, 135, 0},            // below the range: clamped, not wrapped
      {255, 255, 255, 255, 125, 255},  // above the range: clamped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.y) << "," << int(c.u) << "," << int(c.v));
    const uint8_t yuy2[4] = {c.y, c.u, c.y, c.v};
    uint8_t bgra[8] = {};
    ConvertYuy2ToBgra(yuy2, 2, 1, bgra);
    EXPECT_NEAR(bgra[0], c.b, 1);
    EXPECT_NEAR(bgra[1], c.g, 1);
    EXPECT_NEAR(bgra[2], c.r, 1);
    EXPECT_EQ(bgra[3], 255);
    EXPECT_EQ(std::memcmp(bgra, bgra + 4, 4), 0);
  }
}

TEST(ColorConversion, EachPixelOfAPairKeepsItsOwnBrightness) {
  const uint8_t yuy2[8] = {16, 128, 235, 128, 235, 128, 16, 128};
  uint8_t bgra[16] = {};
  ConvertYuy2ToBgra(yuy2, 4, 1, bgra);
  EXPECT_EQ(bgra[0], 0);
  EXPECT_EQ(bgra[4], 255);
  EXPECT_EQ(bgra[8], 255);
  EXPECT_EQ(bgra[12], 0);
}

TEST(ColorConversion, FastPathMatchesThePortableOneExactly) {
  // Widths that leave a tail after the groups of eight pixels.
  for (int32_t width : {2, 6, 8, 10, 1920}) {
    SCOPED_TRACE(width);
    const int32_t height = 3;
    std::vector<uint8_t> yuy2(static_cast<size_t>(width) * height * 2);
    uint32_t seed = 99;
    for (uint8_t& b : yuy2) b = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
    std::vector<uint8_t> fast(static_cast<size_t>(width) * height * 4);
    std::vector<uint8_t> portable(fast.size());
    ConvertYuy2ToBgra(yuy2.data(), width, height, fast.data());
    ConvertYuy2ToBgraPortable(yuy2.data(), int64_t{width / 2} * height, portable.data());
    EXPECT_EQ(fast, portable);
  }
}

TEST(ColorConversion, RgbRoundTripIsClose) {
  for (uint32_t rgb : {0x000000u, 0xFFFFFFu, 0xE04040u, 0x3070D0u, 0xF0C8A8u, 0x201810u}) {
    const YuvColor c = RgbToYuv(rgb);
    const uint8_t yuy2[4] = {c.y, c.u, c.y, c.v};
    uint8_t bgra[8];
    ConvertYuy2ToBgra(yuy2, 2, 1, bgra);
    EXPECT_NEAR(bgra[2], (rgb >> 16) & 0xFF, 3) << std::hex << rgb;
    EXPECT_NEAR(bgra[1], (rgb >> 8) & 0xFF, 3) << std::hex << rgb;
    EXPECT_NEAR(bgra[0], rgb & 0xFF, 3) << std::hex << rgb;
  }
}

// ---- frame handles ----

TEST(FrameHandles, ColourFrameCallsRefuseBadArguments) {
  IColorFrame frame(std::make_shared<const ColorFrameData>(
      ScriptedColorFrame(4, 2, ColorImageFormat_Yuy2, 0xFFFFFFFF)));
  std::vector<uint8_t> out(32, 0xEE);
  EXPECT_EQ(frame.CopyConvertedFrameDataToArray(32, out.data(), ColorImageFormat_Rgba),
            E_INVALIDARG);
  EXPECT_EQ(frame.CopyConvertedFrameDataToArray(31, out.data(), ColorImageFormat_Bgra),
            E_BUFFER_TOO_SMALL);
  EXPECT_EQ(out[0], 0xEE);  // nothing written on failure
  EXPECT_EQ(frame.CopyConvertedFrameDataToArray(32, nullptr, ColorImageFormat_Bgra), E_POINTER);
  EXPECT_EQ(frame.CopyConvertedFrameDataToArray(32, out.data(), ColorImageFormat_Bgra), S_OK);
  EXPECT_EQ(out[0], 255);

  uint32_t capacity = 0;
  const uint8_t* raw = nullptr;
  EXPECT_EQ(frame.AccessRawUnderlyingBuffer(&capacity, &raw), S_OK);
  EXPECT_EQ(capacity, 16u);
  std::unique_ptr<IFrameDescription> description;
  ASSERT_EQ(frame.get_FrameDescription(&description), S_OK);
  uint32_t bpp = 0;
  description->get_BytesPerPixel(&bpp);
  EXPECT_EQ(bpp, 2u);

  ColorFrameData odd = ScriptedColorFrame(4, 2, ColorImageFormat_Yuy2, 0);
  odd.width = 3;  // YUY2 needs pixel pairs
  IColorFrame odd_frame(std::make_shared<const ColorFrameData>(odd));
  EXPECT_EQ(odd_frame.CopyConvertedFrameDataToArray(32, out.data(), ColorImageFormat_Bgra), E_FAIL);
  EXPECT_EQ(odd_frame.AccessRawUnderlyingBuffer(&capacity, &raw), E_FAIL);
}

// A full picture drawn on request, as the camera's frames carry it.
class CountingPicture : public FullColorPicture {
 public:
  CountingPicture(int32_t words, bool works) : words_(words), works_(works) {}
  bool DrawBgra(uint8_t* bgra) const override {
    ++draws;
    if (!works_) return false;
    for (int32_t i = 0; i < words_ * 4; ++i) bgra[i] = uint8_t(i);
    return true;
  }
  mutable int draws = 0;

 private:
  int32_t words_;
  bool works_;
};

TEST(FrameHandles, FullPictureIsDrawnWhenRead) {
  for (bool works : {true, false}) {
    SCOPED_TRACE(works ? "drawn" : "drawing fails");
    ColorFrameData data;
    data.width = 4;
    data.height = 2;
    data.format = ColorImageFormat_Bgra;
    auto picture = std::make_shared<CountingPicture>(8, works);
    data.full_picture = picture;
    IColorFrame frame(std::make_shared<const ColorFrameData>(data));

    std::vector<uint8_t> out(32, 0xEE);
    EXPECT_EQ(frame.CopyConvertedFrameDataToArray(31, out.data(), ColorImageFormat_Bgra),
              E_BUFFER_TOO_SMALL);
    EXPECT_EQ(picture->draws, 0);
    EXPECT_EQ(frame.CopyConvertedFrameDataToArray(32, out.data(), ColorImageFormat_Bgra),
              works ? S_OK : E_FAIL);
    if (works) {
      EXPECT_EQ(out[31], 31);
    }

    uint32_t capacity = 0;
    const uint8_t* raw = nullptr;
    EXPECT_EQ(frame.AccessRawUnderlyingBuffer(&capacity, &raw), works ? S_OK : E_FAIL);
    if (works) {
      EXPECT_EQ(capacity, 32u);
      EXPECT_EQ(raw[5], 5);
      // Drawn once for this handle, however often it is read.
      const int draws = picture->draws;
      EXPECT_EQ(frame.AccessRawUnderlyingBuffer(&capacity, &raw), S_OK);
      EXPECT_EQ(frame.CopyConvertedFrameDataToArray(32, out.data(), ColorImageFormat_Bgra), S_OK);
      EXPECT_EQ(picture->draws, draws);
    }
    int32_t w = 0, h = 0;
    EXPECT_EQ(frame.AccessHalfPicture(&w, &h, &raw), E_FAIL);  // none made
  }
}

TEST(FrameHandles, RgbaConvertsByChannelSwap) {
  ColorFrameData data;
  data.width = 1;
  data.height = 1;
  data.format = ColorImageFormat_Rgba;
  data.pixels = {0x11, 0x22, 0x33, 0x44};
  IColorFrame frame(std::make_shared<const ColorFrameData>(data));
  uint8_t out[4];
  ASSERT_EQ(frame.CopyConvertedFrameDataToArray(4, out, ColorImageFormat_Bgra), S_OK);
  EXPECT_EQ(out[0], 0x33);
  EXPECT_EQ(out[2], 0x11);
  EXPECT_EQ(out[3], 0x44);
}

TEST(FrameHandles, BodyCallsRefuseBadCapacities) {
  auto data = std::make_shared<const BodyFrameData>();
  IBodyFrame frame(data);
  std::unique_ptr<IBody> bodies[BODY_COUNT + 1];
  EXPECT_EQ(frame.GetAndRefreshBodyData(0, bodies), E_INVALIDARG);
  EXPECT_EQ(frame.GetAndRefreshBodyData(BODY_COUNT + 1, bodies), E_INVALIDARG);
  EXPECT_EQ(frame.GetAndRefreshBodyData(BODY_COUNT, nullptr), E_POINTER);
  ASSERT_EQ(frame.GetAndRefreshBodyData(BODY_COUNT, bodies), S_OK);
  Joint joints[JointType_Count];
  EXPECT_EQ(bodies[0]->GetJoints(JointType_Count - 1, joints), E_INVALIDARG);
  ASSERT_EQ(bodies[0]->GetJoints(JointType_Count, joints), S_OK);
  for (int j = 0; j < JointType_Count; ++j) EXPECT_EQ(joints[j].JointType, j);
  bool tracked = true;
  EXPECT_EQ(bodies[5]->get_IsTracked(&tracked), S_OK);
  EXPECT_FALSE(tracked);
  EXPECT_EQ(bodies[5]->get_IsTracked(nullptr), E_POINTER);
}

TEST(FrameHandles, DepthAndBodyIndexCopyChecksSizes) {
  DepthFrameData depth;
  depth.width = 2;
  depth.height = 2;
  depth.depth_mm = {1, 2, 3, 4};
  IDepthFrame frame(std::make_shared<const DepthFrameData>(depth));
  uint16_t out[4] = {};
  EXPECT_EQ(frame.CopyFrameDataToArray(3, out), E_BUFFER_TOO_SMALL);
  EXPECT_EQ(frame.CopyFrameDataToArray(4, out), S_OK);
  EXPECT_EQ(out[3], 4);
  depth.depth_mm.pop_back();  // shorter than its size says
  IDepthFrame short_frame(std::make_shared<const DepthFrameData>(depth));
  EXPECT_EQ(short_frame.CopyFrameDataToArray(4, out), E_FAIL);
  IBodyIndexFrame empty(std::make_shared<const BodyIndexFrameData>());
  uint32_t capacity = 0;
  const uint8_t* buffer = nullptr;
  EXPECT_EQ(empty.AccessUnderlyingBuffer(&capacity, &buffer), E_FAIL);
}

TEST(FrameReaders, AReaderGetsOnlyFramesPublishedAfterItOpened) {
  auto device = std::make_shared<ScriptedSensor>();
  IKinectSensor sensor(device);
  device->PushColor(ScriptedColorFrame(2, 1, ColorImageFormat_Bgra, 0xFF000001));
  std::unique_ptr<IColorFrameSource> source;
  ASSERT_EQ(sensor.get_ColorFrameSource(&source), S_OK);
  std::unique_ptr<IColorFrameReader> first, second;
  ASSERT_EQ(source->OpenReader(&first), S_OK);
  ASSERT_EQ(source->OpenReader(&second), S_OK);
  std::unique_ptr<IColorFrame> frame;
  EXPECT_EQ(first->AcquireLatestFrame(&frame), E_PENDING);
  device->PushColor(ScriptedColorFrame(2, 1, ColorImageFormat_Bgra, 0xFF000002));
  EXPECT_EQ(first->AcquireLatestFrame(&frame), S_OK);
  EXPECT_EQ(second->AcquireLatestFrame(&frame), S_OK);
  EXPECT_EQ(second->AcquireLatestFrame(&frame), E_PENDING);
  EXPECT_EQ(first->AcquireLatestFrame(nullptr), E_POINTER);
  // Handles may outlive the sensor and the device's last other owner.
  source.reset();
  device.reset();
  EXPECT_EQ(first->AcquireLatestFrame(&frame), E_PENDING);
}

// ---- registry ----

class SensorRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    UninstallScriptedSensor();
    SelectSensorBackend(DefaultSensorBackendName(), SensorBackendOptions{}, nullptr);
  }
};

TEST_F(SensorRegistryTest, ListsTheBackendsAndNeverDefaultsToTheSimulation) {
  std::vector<std::string> names;
  std::vector<std::string> flags;
  for (const SensorBackendInfo& info : ListSensorBackends()) {
    names.push_back(info.name);
    EXPECT_FALSE(info.help.empty());
    EXPECT_EQ(info.only_by_name, info.name == "sim") << info.name;
    for (const SensorBackendOptionInfo& option : info.options) {
      SCOPED_TRACE(option.flag);
      EXPECT_FALSE(option.help.empty());
      // Each flag belongs to one backend and none shadows the program's own.
      EXPECT_EQ(std::count(flags.begin(), flags.end(), option.flag), 0);
      EXPECT_EQ(option.flag.rfind("--", 0), 0u);
      EXPECT_NE(option.flag, "--sensor");
      EXPECT_NE(option.flag, "--help");
      flags.push_back(option.flag);
    }
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "sim"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "none"), names.end());
  EXPECT_NE(DefaultSensorBackendName(), "sim");
  EXPECT_NE(std::find(names.begin(), names.end(), DefaultSensorBackendName()), names.end());
}

TEST_F(SensorRegistryTest, SelectionDecidesWhatTheDefaultSensorIs) {
  std::string error;
  ASSERT_TRUE(SelectSensorBackend("none", SensorBackendOptions{}, &error)) << error;
  std::unique_ptr<IKinectSensor> sensor;
  EXPECT_EQ(GetDefaultKinectSensor(&sensor), S_OK);
  EXPECT_EQ(sensor, nullptr);

  ASSERT_TRUE(SelectSensorBackend("sim", SensorBackendOptions{}, &error)) << error;
  EXPECT_EQ(SelectedSensorBackendName(), "sim");
  EXPECT_EQ(GetDefaultKinectSensor(&sensor), S_OK);
  EXPECT_NE(sensor, nullptr);

  EXPECT_FALSE(SelectSensorBackend("kinect", SensorBackendOptions{}, &error));
  EXPECT_NE(error.find("kinect"), std::string::npos);
  EXPECT_EQ(SelectedSensorBackendName(), "sim");  // unchanged
  const SensorBackendOptions too_many = {"--sim-bodies=7"};
  EXPECT_FALSE(SelectSensorBackend("sim", too_many, &error));
  EXPECT_EQ(error, "--sim-bodies=7: needs a number from 1 to 6");
  EXPECT_FALSE(SelectSensorBackend("none", {"--sim-color"}, &error));  // another's, refused
  EXPECT_FALSE(SelectSensorBackend("none", {"--sim-colour=bgra"}, &error));
  EXPECT_NE(error.find("--sim-colour=bgra"), std::string::npos);
  EXPECT_EQ(SelectedSensorBackendName(), "sim");  // still unchanged
  EXPECT_EQ(GetDefaultKinectSensor(nullptr), E_POINTER);
}

TEST_F(SensorRegistryTest, BackendOptionsFromTheCommandLine) {
  struct Case {
    const char* argument;
    bool accepted;
    bool error_expected;
  };
  const Case cases[] = {
      {"--sim-bodies=3", true, false},        {"--sim-bodies=0", false, true},
      {"--sim-bodies=7", false, true},        {"--sim-bodies=2x", false, true},
      {"--sim-seed=4294967295", true, false}, {"--sim-seed=-1", false, true},
      {"--sim-color=bgra", true, false},      {"--sim-color=rgb", false, true},
      {"--sim-latency-ms=1000", true, false}, {"--sim-latency-ms=1001", false, true},
      {"--sim-latency-ms=-5", false, true},   {"--sim-seed", false, true},
      {"--sensor=sim", false, false},         {"--help", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    SensorBackendOptions options;
    std::string error = "stale";
    EXPECT_EQ(ParseSensorBackendOption(c.argument, &options, &error), c.accepted);
    EXPECT_EQ(!error.empty(), c.error_expected) << error;
  }
  SensorBackendOptions options;
  std::string error;
  ASSERT_TRUE(ParseSensorBackendOption("--sim-bodies=4", &options, &error));
  ASSERT_TRUE(ParseSensorBackendOption("--sim-color=bgra", &options, &error));
  ASSERT_TRUE(ParseSensorBackendOption("--sim-latency-ms=100", &options, &error));
  EXPECT_FALSE(ParseSensorBackendOption("--sim-seed=x", &options, &error));
  EXPECT_EQ(options,
            (SensorBackendOptions{"--sim-bodies=4", "--sim-color=bgra", "--sim-latency-ms=100"}));
  SimSensorOptions sim;
  ASSERT_TRUE(ReadBackendOptions(SimSensorOptionTable(), options, &sim, &error)) << error;
  EXPECT_EQ(sim.body_count, 4);
  EXPECT_EQ(sim.color_format, ColorImageFormat_Bgra);
  EXPECT_EQ(sim.seed, 1u);
  EXPECT_EQ(sim.publish_latency_ms, 100);
  ASSERT_TRUE(SelectSensorBackend("sim", options, &error)) << error;
}

// The value kinds a backend's option table is made of, on a settings struct of
// a made-up backend.
struct ExampleSettings {
  int32_t count = 1;
  std::string file;
  bool every = false;
  ColorImageFormat format = ColorImageFormat_Yuy2;
};

TEST(BackendOptionTable, ReadsEachKindAndNamesWhatIsWrong) {
  const BackendOptionTable<ExampleSettings> table = {
      NumberOption(&ExampleSettings::count, {"--count", "N", "how many"}, -2, 9),
      TextOption(&ExampleSettings::file, {"--file", "FILE", "which file"}, "needs a file"),
      SwitchOption(&ExampleSettings::every, {"--every", "", "all of them"}),
      ChoiceOption(&ExampleSettings::format, {"--format", "a|b|c", "which format"},
                   {{"a", ColorImageFormat_Yuy2},
                    {"b", ColorImageFormat_Bgra},
                    {"c", ColorImageFormat_Rgba}}),
  };
  ExampleSettings settings;
  std::string error;
  ASSERT_TRUE(ReadBackendOptions(table, {"--count=-2", "--file=a=b.avi", "--every", "--format=c"},
                                 &settings, &error))
      << error;
  EXPECT_EQ(settings.count, -2);
  EXPECT_EQ(settings.file, "a=b.avi");
  EXPECT_TRUE(settings.every);
  EXPECT_EQ(settings.format, ColorImageFormat_Rgba);

  const struct {
    const char* argument;
    const char* error;
  } refused[] = {
      {"--count=10", "--count=10: needs a number from -2 to 9"},
      {"--count= 3", "--count= 3: needs a number from -2 to 9"},
      {"--count", "--count: needs a number from -2 to 9"},
      {"--file=", "--file=: needs a file"},
      {"--every=1", "--every=1: takes no value"},
      {"--format=d", "--format=d: needs a or b or c"},
      {"--colour=b", "--colour=b: is no option of this sensor backend"},
  };
  for (const auto& c : refused) {
    ExampleSettings untouched;
    EXPECT_FALSE(ReadBackendOptions(table, {c.argument}, &untouched, &error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
