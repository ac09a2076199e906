#pragma once
// Makes the file layer fail for one folder: every call of one kind on a file
// under that folder fails with the given errno, until the guard goes.

#include <unistd.h>

#include <string>

#include "results/posix_file.h"

namespace results_test {

class FileFault {
 public:
  FileFault(FileOp op, std::string folder, int error) {
    Op() = op;
    Folder() = std::move(folder);
    Error() = error;
    previous_ = SetFileFaultHook(&Hook);
  }
  ~FileFault() { SetFileFaultHook(previous_); }
  FileFault(const FileFault&) = delete;
  FileFault& operator=(const FileFault&) = delete;

 private:
  static int Hook(FileOp op, int fd, const std::string& path) {
    if (op != Op()) return 0;
    std::string target = path;
    if (fd >= 0) {
      char link[4096];
      const std::string proc = "/proc/self/fd/" + std::to_string(fd);
      const ssize_t n = ::readlink(proc.c_str(), link, sizeof link - 1);
      if (n <= 0) return 0;
      target.assign(link, static_cast<size_t>(n));
    }
    return target.starts_with(Folder() + "/") ? Error() : 0;
  }
  static FileOp& Op() {
    static FileOp op;
    return op;
  }
  static std::string& Folder() {
    static std::string folder;
    return folder;
  }
  static int& Error() {
    static int error;
    return error;
  }

  FileFaultHook previous_;
};

}  // namespace results_test
