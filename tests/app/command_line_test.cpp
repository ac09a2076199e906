// The command line: our options, Qt's options passed through, errors.

#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

// Backends as the program describes them: the camera's --camera and a switch.
const std::vector<BackendDescription> kBackends = {
    {"camera",
     "a webcam",
     {{"--camera", "DEVICE|FILE", "camera device (e.g. /dev/video0) or a video file", true},
      {"--camera-every-frame", "", "analyse every picture of a file"}}},
    {"sim", "simulated children", {{"--sim-bodies", "N", "children in the picture"}}},
    {"none", "no sensor", {}},
};

// What reaches the backends when --camera got `camera`.
std::vector<std::string> ForwardedCamera(const std::string& camera) {
  if (camera.empty()) return {};
  return {"--camera=" + camera};
}

TEST(CommandLineTest, ParsesOptions) {
  const struct {
    std::vector<std::string> args;
    bool help;
    std::string sensor;
    bool sensor_given;
    std::string camera;
    std::vector<std::string> qt_args;
  } cases[] = {
      {{"t2"}, false, "", false, "", {"t2"}},
      {{"t2", "--help"}, true, "", false, "", {"t2"}},
      {{"t2", "-h"}, true, "", false, "", {"t2"}},
      {{"t2", "--sensor=sim"}, false, "sim", true, "", {"t2"}},
      {{"t2", "--sensor", "none"}, false, "none", true, "", {"t2"}},
      {{"t2", "--sensor=camera", "--camera=/dev/video2"},
       false,
       "camera",
       true,
       "/dev/video2",
       {"t2"}},
      {{"t2", "--camera", "clip.avi"}, false, "", false, "clip.avi", {"t2"}},
      {{"t2", "-platform", "offscreen", "--sensor=sim"},
       false,
       "sim",
       true,
       "",
       {"t2", "-platform", "offscreen"}},
      {{"t2", "-reverse"}, false, "", false, "", {"t2", "-reverse"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.args, cl, error, kBackends)) << error;
    EXPECT_EQ(cl.show_help, c.help);
    EXPECT_EQ(cl.sensor, c.sensor);
    EXPECT_EQ(cl.sensor_given, c.sensor_given);
    EXPECT_EQ(cl.backend_options, ForwardedCamera(c.camera));
    EXPECT_EQ(cl.qt_args, c.qt_args);
  }
}

TEST(CommandLineTest, RefusesWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string>> cases = {
      {"t2", "--sensr=sim"}, {"t2", "--sensor"}, {"t2", "--sensor="},
      {"t2", "--camera"},    {"t2", "subject"},  {"t2", "--"},
  };
  for (const auto& args : cases) {
    CommandLine cl;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, cl, error, kBackends)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
  }
}

TEST(CommandLineTest, LatencyTestAndItsFlashes) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    bool latency_test;
    int32_t flashes;
  } cases[] = {
      {{"t2", "--latency-test"}, true, true, 0},
      {{"t2", "--latency-test", "--flashes=60", "--sensor=sim"}, true, true, 60},
      {{"t2", "--flashes", "1", "--latency-test"}, true, true, 1},
      {{"t2", "--latency-test", "--flashes=0"}, false, true, 0},
      {{"t2", "--latency-test", "--flashes=1001"}, false, true, 0},
      {{"t2", "--latency-test", "--flashes=5x"}, false, true, 0},
      {{"t2", "--latency-test", "--flashes"}, false, true, 0},
      {{"t2", "--flashes=50"}, false, false, 50},  // without the test it means nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine cl;
    std::string error;
    ASSERT_EQ(ParseCommandLine(c.args, cl, error, kBackends), c.ok) << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(cl.latency_test, c.latency_test);
    EXPECT_EQ(cl.flashes, c.flashes);
  }
}

TEST(CommandLineTest, LanguageForOneStart) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    std::string language;
  } cases[] = {
      {{"t2"}, true, ""},
      {{"t2", "--language=en"}, true, "en"},
      {{"t2", "--language", "ja", "--sensor=sim"}, true, "ja"},
      {{"t2", "--language=de"}, false, ""},
      {{"t2", "--language=EN"}, false, ""},
      {{"t2", "--language="}, false, ""},
      {{"t2", "--language"}, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine cl;
    std::string error;
    ASSERT_EQ(ParseCommandLine(c.args, cl, error, kBackends), c.ok) << error;
    if (c.ok) {
      EXPECT_EQ(cl.language, c.language);
    }
  }
}

TEST(CommandLineTest, BackendOptionsGoToTheBackendParser) {
  std::vector<std::string> taken;
  const BackendOptionParser parser = [&](const std::string& arg, std::string* error) {
    if (arg == "--sim-bodies=3") {
      taken.push_back(arg);
      return true;
    }
    if (arg == "--sim-bodies=9") *error = "at most 6 bodies";
    return false;
  };
  CommandLine cl;
  std::string error;
  EXPECT_TRUE(
      ParseCommandLine({"t2", "--sensor=sim", "--sim-bodies=3"}, cl, error, kBackends, parser));
  EXPECT_EQ(taken, std::vector<std::string>{"--sim-bodies=3"});
  EXPECT_EQ(cl.backend_options, std::vector<std::string>{"--sim-bodies=3"});
  EXPECT_FALSE(ParseCommandLine({"t2", "--sim-bodies=9"}, cl, error, kBackends, parser));
  EXPECT_EQ(error, "at most 6 bodies");
  EXPECT_FALSE(ParseCommandLine({"t2", "--sim-color=red"}, cl, error, kBackends, parser));
  EXPECT_EQ(error, "unknown argument: --sim-color=red");
}

TEST(CommandLineTest, BackendOptionsTakeTheirValueEitherWay) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> backend_options;
  } cases[] = {
      {{"t2", "--sim-bodies", "3", "--camera=a.avi"}, {"--sim-bodies=3", "--camera=a.avi"}},
      {{"t2", "--camera-every-frame", "--sensor=camera"}, {"--camera-every-frame"}},
      // A switch keeps a value it should not have, for the backend to refuse.
      {{"t2", "--camera-every-frame=yes"}, {"--camera-every-frame=yes"}},
      // A flag that begins like another one is still its own.
      {{"t2", "--camera-every-frame", "--camera", "-"}, {"--camera-every-frame", "--camera=-"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CommandLine cl;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.args, cl, error, kBackends)) << error;
    EXPECT_EQ(cl.backend_options, c.backend_options);
  }
  CommandLine cl;
  std::string error;
  EXPECT_FALSE(ParseCommandLine({"t2", "--sim-bodies"}, cl, error, kBackends));
  EXPECT_EQ(error, "option --sim-bodies needs a value");
  // Without the backend that owns it, an option is unknown.
  EXPECT_FALSE(ParseCommandLine({"t2", "--camera=a.avi"}, cl, error, {kBackends[1]}));
  EXPECT_EQ(error, "unknown argument: --camera=a.avi");
}

TEST(CommandLineTest, HelpListsOptionsAndBackends) {
  const std::string help = CommandLineHelp("tavelin2", kBackends, "none");
  for (const char* part : {"--help", "--sensor=NAME", "--camera=", "sim", "simulated children",
                           "none", "(default: none)", "Esc", "--sim-bodies=N",
                           "--export-bids OUTDIR [--session=LABEL] [--tracksys=LABEL] FILE.csv...",
                           "--report [--language=en|ja] FILE.csv...",
                           "--latency-test [--flashes=N]"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
}

TEST(CommandLineTest, HelpPutsUsageLineOptionsWithTheProgramsOwn) {
  const std::string help = CommandLineHelp(
      "tavelin2",
      {{"camera",
        "a webcam",
        {{"--camera", "DEVICE|FILE", "camera device or a video file\nfor the camera backend", true},
         {"--camera-every-frame", "", "analyse every picture"}}}},
      "camera");
  EXPECT_EQ(help.rfind("Usage: tavelin2 [--sensor=NAME] [--camera=DEVICE|FILE]\n", 0), 0u) << help;
  const std::string main_options =
      "  --sensor=NAME          body sensor backend (default: camera)\n"
      "  --camera=DEVICE|FILE   camera device or a video file\n"
      "                         for the camera backend\n"
      "  -platform NAME, ...";
  EXPECT_NE(help.find(main_options), std::string::npos) << help;
  EXPECT_NE(help.find("Sensor backend options:\n"
                      "  --camera-every-frame     analyse every picture\n"),
            std::string::npos)
      << help;
  // Without backend options the section is left out.
  EXPECT_EQ(CommandLineHelp("tavelin2", {{"none", "no sensor", {}}}, "none")
                .find("Sensor backend options"),
            std::string::npos);
}

}  // namespace
