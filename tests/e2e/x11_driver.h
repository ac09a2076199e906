#pragma once
// Driving the real program under X from a test: starting it in a working
// directory, finding its windows by title and sending keys and clicks with
// xdotool, as an experimenter would.

#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The built tavelin2 (from T2_BINARY_DIR) and a fresh working directory under
// /tmp whose name starts with `prefix`, with stim/ (from T2_SOURCE_DIR) linked
// in. Nothing, with the reason in `why`, when either cannot be had.
struct ProgramWorkspace {
  std::filesystem::path program;
  std::filesystem::path dir;
};
std::optional<ProgramWorkspace> MakeProgramWorkspace(const std::string& prefix, std::string* why);

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> RunCommand(const std::string& command);

// The program as a child process, killed if the test ends while it still runs.
class ProgramProcess {
 public:
  // Starts `program` with `args` (already quoted for the shell's word
  // splitting rules: plain words only) in `working_directory`; `env` entries
  // "NAME=value" are added to the environment.
  ProgramProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& working_directory, const std::vector<std::string>& env);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Running();
  // Sends the signal to the program; false once it has ended.
  bool Signal(int signal_number);
  // The exit status once it has ended within `timeout`; nothing otherwise.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// The X window id of the first visible window whose title matches the regular
// expression, once one appears within `timeout`.
std::optional<std::string> WaitForWindow(const std::string& title_regex,
                                         std::chrono::milliseconds timeout);
// True once no visible window matches any more.
bool WaitForWindowGone(const std::string& title_regex, std::chrono::milliseconds timeout);

bool Xdo(const std::string& arguments);  // "xdotool <arguments>" succeeded

// An X server of the test's own (Xvfb), so that windows and clicks of tests
// running at the same time on a shared display cannot mix. While it runs,
// DISPLAY of this process (and of every program it starts) points at it.
class PrivateXServer {
 public:
  PrivateXServer() = default;
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // False when Xvfb is missing or does not come up within a few seconds.
  bool Start(const std::string& screen = "1920x1080x24");
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::optional<std::string> previous_display_;
};
