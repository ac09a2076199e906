#pragma once
// Driving the real program under X from a test: starting it in a working
// directory, finding its windows by title and sending keys and clicks with
// xdotool, as an experimenter would.

#include <sys/types.h>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
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
  // "NAME=value" are added to the environment. Its standard output goes to
  // `stdout_path` when one is given.
  ProgramProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::string& working_directory, const std::vector<std::string>& env,
                 const std::string& stdout_path = {});
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Running();
  // Sends the signal to the program; false once it has ended.
  bool Signal(int signal_number);
  // The exit status once it has ended within `timeout`; nothing otherwise.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  pid_t pid() const { return pid_; }

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

// What is typed into the setup dialog.
struct SetupEntry {
  std::string subject;
  int timelimit_s = 0;
};
// Starts a run as an experimenter does: clicks into the main frame (which
// must be up), types `entry` into the setup dialog (nothing: its values stay)
// and presses Return. The stage window's id once the dialog has closed and
// the stage is up; nothing otherwise, with what went wrong in *why.
std::optional<std::string> StartRunFromMainFrame(const std::optional<SetupEntry>& entry,
                                                 std::string* why);

// Global variables of a running program started by this process, read by name:
// the addresses nm gives, moved to where the program is loaded, read through
// /proc/<pid>/mem. Lets a test wait for what the program has done instead of
// for a time.
class ProgramGlobals {
 public:
  ProgramGlobals(const std::filesystem::path& program, pid_t pid,
                 const std::vector<std::string>& names);
  ~ProgramGlobals();
  ProgramGlobals(const ProgramGlobals&) = delete;
  ProgramGlobals& operator=(const ProgramGlobals&) = delete;

  bool ok() const;  // every name was found and the memory can be read
  // The 32-bit value `offset` bytes into the global `name`, now.
  std::optional<int32_t> ReadInt32(const std::string& name, size_t offset = 0) const;

 private:
  std::map<std::string, uint64_t> addresses_;
  size_t wanted_ = 0;
  int mem_ = -1;
};

// An X server of the test's own (Xvfb), so that windows and clicks of tests
// running at the same time on a shared display cannot mix. While it runs,
// DISPLAY of this process (and of every program it starts) points at it. Keys
// do not repeat on it, so a key held until the program has seen it counts once.
class PrivateXServer {
 public:
  PrivateXServer() = default;
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // False when Xvfb is missing or does not come up in three tries.
  bool Start(const std::string& screen = "1920x1080x24");
  const std::string& display() const { return display_; }

 private:
  bool StartOnce(const std::string& screen);

  pid_t pid_ = -1;
  std::string display_;
  std::optional<std::string> previous_display_;
};
