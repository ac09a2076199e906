// The installed program, as a lab PC gets it: the package unpacked into a
// scratch root (never the machine itself), then `tavelin2 --help`, a short
// run with the simulated sensor from an empty folder, and a start through the
// applications menu's launcher.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "e2e/x11_driver.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

int CountLines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

class InstalledPackageTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* package_dir = std::getenv("T2_PACKAGE_DIR");
    ASSERT_NE(package_dir, nullptr) << "T2_PACKAGE_DIR must name the folder with the .deb";
    fs::path deb;
    for (const auto& e : fs::directory_iterator(package_dir)) {
      const std::string name = e.path().filename().string();
      if (name.starts_with("tavelin2_") && name.ends_with("_amd64.deb")) deb = e.path();
    }
    ASSERT_FALSE(deb.empty()) << "no tavelin2_<version>_amd64.deb in " << package_dir;

    std::string dir = "/tmp/tavelin2-package-XXXXXX";
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    scratch_ = dir;
    root_ = scratch_ / "root";
    ASSERT_TRUE(RunCommand("dpkg-deb -x " + Quoted(deb) + " " + Quoted(root_)))
        << "cannot unpack " << deb;
    program_ = root_ / "usr/bin/tavelin2";
    ASSERT_TRUE(fs::exists(program_));
  }
  void TearDown() override {
    if (!HasFailure() && !scratch_.empty()) fs::remove_all(scratch_);
  }

  // A fresh empty folder under the scratch folder.
  fs::path EmptyFolder(const std::string& name) {
    const fs::path dir = scratch_ / name;
    fs::create_directories(dir);
    return dir;
  }

  fs::path scratch_, root_, program_;
};

TEST_F(InstalledPackageTest, HelpListsTheOptions) {
  const auto out = RunCommand(Quoted(program_) + " --help");
  ASSERT_TRUE(out) << "--help failed";
  EXPECT_NE(out->find("Usage: tavelin2"), std::string::npos) << *out;
  EXPECT_NE(out->find("--sensor=NAME"), std::string::npos) << *out;
}

// When the package has the camera sensor, its own ONNX Runtime loads and the
// models are there.
TEST_F(InstalledPackageTest, TheCameraRuntimeLoads) {
  const fs::path runtime = root_ / "usr/lib/tavelin2/onnxruntime/libonnxruntime.so.1";
  if (!fs::exists(fs::symlink_status(runtime))) GTEST_SKIP() << "built without the camera sensor";
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(runtime))) << "not the library itself";
  void* library = dlopen(runtime.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  EXPECT_NE(dlsym(library, "OrtGetApiBase"), nullptr);
  dlclose(library);
  for (const char* model : {"movenet-multipose", "handlandmark-lite"}) {
    EXPECT_GT(fs::file_size(root_ / "usr/share/tavelin2/models" / (std::string(model) + ".onnx")),
              1000000u)
        << model;
  }
}

class InstalledProgramUnderX : public InstalledPackageTest {
 protected:
  void SetUp() override {
    InstalledPackageTest::SetUp();
    if (HasFatalFailure()) return;
    if (!RunCommand("command -v xdotool")) GTEST_SKIP() << "needs xdotool";
    if (!x_server_.Start() && std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "needs Xvfb or an X display";
    }
  }

  // Closes the main frame through "&File" > "E&xit" and waits for the end. A
  // frame that has only just been mapped may miss the first keys, so they are
  // sent again until the program ends.
  void Quit(const std::string& frame, ProgramProcess& app) {
    std::optional<int> status;
    for (int attempt = 0; attempt < 4 && !status; ++attempt) {
      Xdo("windowfocus --sync " + frame);
      std::this_thread::sleep_for(300ms);
      Xdo("key --delay 200 alt+f x");
      status = app.WaitForExit(8s);
    }
    ASSERT_TRUE(status) << "the program did not end";
    EXPECT_EQ(*status, 0);
  }

 private:
  PrivateXServer x_server_;
};

// Started from a shell in an empty folder: the balloons and the pop come from
// the installed data folder, and the result files land in that folder.
TEST_F(InstalledProgramUnderX, ARunFromAnEmptyFolderUsesTheInstalledStimuli) {
  const fs::path work = EmptyFolder("work");
  const fs::path err = scratch_ / "stderr.txt";
  ProgramProcess app("/bin/sh",
                     {"-c", "exec " + Quoted(program_) + " --sensor=sim 2>" + Quoted(err)},
                     work.string(), {});
  const auto frame = WaitForWindow("^DirectDraw Application$", 30s);
  ASSERT_TRUE(frame) << "no main frame";

  std::string why;
  ASSERT_TRUE(StartRunFromMainFrame(SetupEntry{"PKG01", 5}, &why)) << why;
  const auto score = WaitForWindow("^Score$", 120s);
  ASSERT_TRUE(score) << "the run did not end by its time limit";
  std::this_thread::sleep_for(300ms);
  Xdo("windowfocus --sync " + *score);
  ASSERT_TRUE(Xdo("key Return"));
  ASSERT_TRUE(WaitForWindowGone("^Experiment Window$", 20s)) << "the stage stayed up";
  Quit(*frame, app);

  // Every stimulus was taken from the installed copies, none was missing.
  const std::string log = ReadAll(err);
  const std::string installed = (root_ / "usr/share/tavelin2/stim").string();
  for (const char* name :
       {"balloon0.png", "balloon1.png", "balloon2.png", "balloon3.png", "bomb.png", "bomb.wav"}) {
    EXPECT_NE(log.find(installed + "/" + name), std::string::npos) << name << " in:\n" << log;
  }
  EXPECT_FALSE(fs::exists(work / "stim"));

  // The result files and the settings are in the folder the program started in.
  fs::path trials, bodies;
  for (const auto& e : fs::directory_iterator(work)) {
    const std::string name = e.path().filename().string();
    if (!name.starts_with("PKG01_")) continue;
    (name.ends_with("_B.csv") ? bodies : trials) = e.path();
  }
  ASSERT_FALSE(trials.empty()) << "no trial file in " << work;
  ASSERT_FALSE(bodies.empty()) << "no body file in " << work;
  EXPECT_GE(CountLines(ReadAll(trials)), 3) << "header, start balloon and at least one pop";
  EXPECT_GE(CountLines(ReadAll(bodies)), 2);
  EXPECT_NE(ReadAll(work / "Tavelin2.ini").find("subject = PKG01"), std::string::npos);
}

// The applications menu's launcher: the program runs in ~/Tavelin2, made on
// first start with a README.txt; an experimenter's edit of it is kept.
TEST_F(InstalledProgramUnderX, TheMenuLauncherWorksInTheDataFolder) {
  const fs::path home = EmptyFolder("home");
  const fs::path launcher = root_ / "usr/lib/tavelin2/tavelin2-desktop";
  const auto desktop = ReadAll(root_ / "usr/share/applications/tavelin2.desktop");
  EXPECT_NE(desktop.find("Exec=/usr/lib/tavelin2/tavelin2-desktop\n"), std::string::npos)
      << desktop;

  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start == 0 ? "first start" : "second start");
    ProgramProcess app(launcher.string(), {"--sensor=sim"}, scratch_.string(),
                       {"HOME=" + home.string()});
    const auto frame = WaitForWindow("^DirectDraw Application$", 30s);
    ASSERT_TRUE(frame) << "no main frame";
    Quit(*frame, app);
    const fs::path data = home / "Tavelin2";
    EXPECT_TRUE(fs::exists(data / "Tavelin2.ini")) << "the settings landed elsewhere";
    EXPECT_FALSE(fs::exists(scratch_ / "Tavelin2.ini"));
    const std::string readme = ReadAll(data / "README.txt");
    if (start == 0) {
      EXPECT_NE(readme.find("Tavelin2 data folder\r\n"), std::string::npos) << readme;
      EXPECT_NE(readme.find("_B.csv"), std::string::npos);
      std::ofstream(data / "README.txt", std::ios::app) << "our lab's note\r\n";
    } else {
      EXPECT_NE(readme.find("our lab's note"), std::string::npos) << "README.txt was rewritten";
    }
  }
}

}  // namespace
