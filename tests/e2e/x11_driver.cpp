#include "x11_driver.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

std::optional<ProgramWorkspace> MakeProgramWorkspace(const std::string& prefix, std::string* why) {
  namespace fs = std::filesystem;
  const char* source = std::getenv("T2_SOURCE_DIR");
  const char* binary = std::getenv("T2_BINARY_DIR");
  if (source == nullptr || binary == nullptr) {
    *why = "T2_SOURCE_DIR and T2_BINARY_DIR must be set (CTest sets them)";
    return std::nullopt;
  }
  ProgramWorkspace w;
  w.program = fs::path(binary) / "src/app/tavelin2";
  if (!fs::exists(w.program)) {
    *why = "no program at " + w.program.string();
    return std::nullopt;
  }
  std::string dir_template = "/tmp/" + prefix + "-XXXXXX";
  if (::mkdtemp(dir_template.data()) == nullptr) {
    *why = "cannot create a working directory under /tmp";
    return std::nullopt;
  }
  w.dir = dir_template;
  std::error_code ec;
  fs::create_directory_symlink(fs::path(source) / "stim", w.dir / "stim", ec);
  if (ec) {
    *why = "cannot link stim/ into " + w.dir.string() + ": " + ec.message();
    return std::nullopt;
  }
  return w;
}

std::optional<std::string> RunCommand(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  if (status != 0) return std::nullopt;
  return output;
}

ProgramProcess::ProgramProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::string& working_directory,
                               const std::vector<std::string>& env,
                               const std::string& stdout_path) {
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(working_directory.c_str()) != 0) _exit(126);
    if (!stdout_path.empty()) {
      const int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || dup2(out, STDOUT_FILENO) < 0) _exit(126);
      close(out);
    }
    // The user's own Qt settings (the Language menu's choice) stay out of the
    // test: the program starts with its defaults, Japanese texts included.
    setenv("XDG_CONFIG_HOME", (working_directory + "/.config").c_str(), 1);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
}

ProgramProcess::~ProgramProcess() {
  if (pid_ > 0 && Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ProgramProcess::Running() {
  if (status_) return false;
  int status = 0;
  const pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return r == 0;
}

bool ProgramProcess::Signal(int signal_number) {
  return Running() && kill(pid_, signal_number) == 0;
}

std::optional<int> ProgramProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return status_;
}

std::optional<std::string> WaitForWindow(const std::string& title_regex,
                                         std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    const auto found =
        RunCommand("xdotool search --onlyvisible --name '" + title_regex + "' 2>/dev/null");
    if (found && !found->empty()) return found->substr(0, found->find('\n'));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

bool WaitForWindowGone(const std::string& title_regex, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    const auto found =
        RunCommand("xdotool search --onlyvisible --name '" + title_regex + "' 2>/dev/null");
    if (!found || found->empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

bool Xdo(const std::string& arguments) {
  return RunCommand("xdotool " + arguments + " 2>&1").has_value();
}

std::optional<std::string> StartRunFromMainFrame(const std::optional<SetupEntry>& entry,
                                                 std::string* why) {
  using namespace std::chrono_literals;
  auto fail = [&](const char* what) {
    *why = what;
    return std::optional<std::string>();
  };
  if (!Xdo("mousemove --sync 960 700") || !Xdo("click 1")) return fail("xdotool cannot click");
  const auto dialog = WaitForWindow("^Dialog$", 20s);
  if (!dialog) return fail("no setup dialog");
  Xdo("windowfocus --sync " + *dialog);
  std::this_thread::sleep_for(300ms);
  if (entry) {
    // The subject field has the focus; Tab twice reaches the time limit.
    if (!Xdo("key --delay 50 ctrl+a") || !Xdo("type --delay 50 " + entry->subject) ||
        !Xdo("key --delay 100 Tab Tab ctrl+a") ||
        !Xdo("type --delay 50 " + std::to_string(entry->timelimit_s)))
      return fail("xdotool cannot type into the setup dialog");
  }
  if (!Xdo("key Return")) return fail("xdotool cannot press Return");
  if (!WaitForWindowGone("^Dialog$", 10s)) return fail("the dialog refused its input");
  const auto stage = WaitForWindow("^Experiment Window$", 30s);
  if (!stage) return fail("no stage window");
  return stage;
}

ProgramGlobals::ProgramGlobals(const std::filesystem::path& program, pid_t pid,
                               const std::vector<std::string>& names)
    : wanted_(names.size()) {
  const auto symbols = RunCommand("nm --defined-only '" + program.string() + "'");
  if (!symbols) return;
  std::istringstream lines(*symbols);
  std::string address, type, name;
  while (lines >> address >> type >> name) {
    if (std::find(names.begin(), names.end(), name) != names.end()) {
      addresses_[name] = std::stoull(address, nullptr, 16);
    }
  }
  // A position-independent executable (ELF type 3) is loaded at the start of
  // its first mapping; a fixed one at the addresses nm shows.
  std::ifstream elf(program, std::ios::binary);
  uint16_t elf_type = 0;
  elf.seekg(16);
  elf.read(reinterpret_cast<char*>(&elf_type), 2);
  uint64_t base = 0;
  if (elf_type == 3) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    const std::string exe = std::filesystem::canonical(program).string();
    while (std::getline(maps, line)) {
      if (line.size() > exe.size() && line.ends_with(exe)) {
        base = std::stoull(line.substr(0, line.find('-')), nullptr, 16);
        break;
      }
    }
    if (base == 0) return;
  }
  for (auto& entry : addresses_) entry.second += base;
  mem_ = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
}

ProgramGlobals::~ProgramGlobals() {
  if (mem_ >= 0) close(mem_);
}

bool ProgramGlobals::ok() const {
  return mem_ >= 0 && addresses_.size() == wanted_;
}

std::optional<int32_t> ProgramGlobals::ReadInt32(const std::string& name, size_t offset) const {
  const auto at = addresses_.find(name);
  int32_t value = 0;
  if (mem_ < 0 || at == addresses_.end() ||
      pread(mem_, &value, 4, static_cast<off_t>(at->second + offset)) != 4) {
    return std::nullopt;
  }
  return value;
}

PrivateXServer::~PrivateXServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  if (previous_display_) {
    setenv("DISPLAY", previous_display_->c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

bool PrivateXServer::Start(const std::string& screen) {
  // On a loaded machine, or while another test's server still holds the
  // display it probed, a start can fail; a few tries make that no test failure.
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (StartOnce(screen)) return true;
  }
  return false;
}

bool PrivateXServer::StartOnce(const std::string& screen) {
  // A display number of this process's own rather than the first free one:
  // a server another test is just stopping removes the socket of its number
  // as it exits, and a new server that took the same number would lose it.
  static int tries = 0;
  const std::string display = ":" + std::to_string(100 + (getpid() * 7 + 13 * tries++) % 800);
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    const std::string fd_text = std::to_string(fds[1]);
    // -noreset: without it the server resets when its last client leaves, and
    // a program started in that moment cannot connect.
    execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd_text.c_str(), "-screen", "0",
           screen.c_str(), "-nolisten", "tcp", "-ardelay", "30000", "-noreset",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    return false;
  }
  // Xvfb writes the display number it took once it accepts clients.
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (poll(&readable, 1, 200) <= 0) continue;
    char buffer[32];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return false;
  }
  display_ = ":" + number.substr(0, number.find('\n'));
  if (const char* old = std::getenv("DISPLAY")) previous_display_ = old;
  setenv("DISPLAY", display_.c_str(), 1);
  return true;
}
