// The command line: our options, Qt's options passed through, errors.

#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

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
    ASSERT_TRUE(ParseCommandLine(c.args, cl, error)) << error;
    EXPECT_EQ(cl.show_help, c.help);
    EXPECT_EQ(cl.sensor, c.sensor);
    EXPECT_EQ(cl.sensor_given, c.sensor_given);
    EXPECT_EQ(cl.camera, c.camera);
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
    EXPECT_FALSE(ParseCommandLine(args, cl, error)) << testing::PrintToString(args);
    EXPECT_FALSE(error.empty());
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
  EXPECT_TRUE(ParseCommandLine({"t2", "--sensor=sim", "--sim-bodies=3"}, cl, error, parser));
  EXPECT_EQ(taken, std::vector<std::string>{"--sim-bodies=3"});
  EXPECT_FALSE(ParseCommandLine({"t2", "--sim-bodies=9"}, cl, error, parser));
  EXPECT_EQ(error, "at most 6 bodies");
  EXPECT_FALSE(ParseCommandLine({"t2", "--sim-color=red"}, cl, error, parser));
  EXPECT_EQ(error, "unknown argument: --sim-color=red");
}

TEST(CommandLineTest, HelpListsOptionsAndBackends) {
  const std::string help =
      CommandLineHelp("tavelin2", {{"sim", "simulated children"}, {"none", "no sensor"}}, "none",
                      "  --sim-bodies=N   children in the picture\n");
  for (const char* part : {"--help", "--sensor=NAME", "--camera=", "sim", "simulated children",
                           "none", "(default: none)", "Esc", "--sim-bodies=N"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
}

}  // namespace
