#pragma once
// Fixture for tests that drive the real tavelin2: an X server of the test's own
// (no other test's window can catch its clicks and keys), a fresh working
// directory with stim/ linked in, removed again when the test passed.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "e2e/x11_driver.h"

class RealProgramTest : public testing::Test {
 protected:
  explicit RealProgramTest(std::string workspace_prefix)
      : workspace_prefix_(std::move(workspace_prefix)) {}

  void SetUp() override {
    if (!RunCommand("command -v xdotool")) GTEST_SKIP() << "needs xdotool";
    if (!x_server_.Start() && std::getenv("DISPLAY") == nullptr) {
      GTEST_SKIP() << "needs Xvfb or an X display";
    }
    std::string why;
    const auto workspace = MakeProgramWorkspace(workspace_prefix_, &why);
    ASSERT_TRUE(workspace.has_value()) << why;
    program_ = workspace->program;
    dir_ = workspace->dir;
  }
  void TearDown() override {
    if (!HasFailure() && !dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::filesystem::path program_, dir_;

 private:
  std::string workspace_prefix_;
  PrivateXServer x_server_;
};
