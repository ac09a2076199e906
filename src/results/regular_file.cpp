#include "results/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

FileRead Fail(const std::string& path, const std::string& why, std::string* error) {
  *error = path + ": " + why;
  return FileRead::kFailed;
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::string* bytes, std::string* error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return FileRead::kMissing;
    return Fail(path, std::string("cannot be read: ") + std::strerror(errno), error);
  }
  if (!S_ISREG(st.st_mode))
    return Fail(path, std::string("cannot be read: it is ") + KindOf(st.st_mode), error);
  // Non-blocking, so that a FIFO put there since the check cannot hold the
  // open; what was opened is checked again.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT) return FileRead::kMissing;
    return Fail(path, std::string("cannot be opened: ") + std::strerror(errno), error);
  }
  std::string why;
  if (::fstat(fd, &st) != 0) {
    why = std::string("cannot be read: ") + std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    why = std::string("cannot be read: it is ") + KindOf(st.st_mode);
  } else {
    bytes->clear();
    bytes->reserve(static_cast<size_t>(st.st_size));
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        bytes->append(buffer, static_cast<size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        why = std::string("read error: ") + std::strerror(errno);
        break;
      }
    }
  }
  ::close(fd);
  if (!why.empty()) return Fail(path, why, error);
  return FileRead::kRead;
}
