#include "results/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

std::atomic<FileFaultHook> fault_hook{nullptr};

// An injected failure: sets errno and returns true.
bool Injected(FileOp op, int fd, const std::string& path = {}) {
  const FileFaultHook hook = fault_hook.load(std::memory_order_relaxed);
  if (hook == nullptr) return false;
  const int error = hook(op, fd, path);
  if (error == 0) return false;
  errno = error;
  return true;
}

}  // namespace

FileFaultHook SetFileFaultHook(FileFaultHook hook) {
  return fault_hook.exchange(hook);
}

bool WriteAll(int fd, std::string_view bytes) {
  if (Injected(FileOp::kWrite, fd)) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool WriteAllAt(int fd, int64_t offset, std::string_view bytes) {
  if (Injected(FileOp::kWrite, fd)) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
    offset += n;
  }
  return true;
}

bool SyncFile(int fd) {
  return !Injected(FileOp::kSync, fd) && ::fsync(fd) == 0;
}

bool SyncFileData(int fd) {
  return !Injected(FileOp::kSync, fd) && ::fdatasync(fd) == 0;
}

int ReserveFileSpace(int fd, int64_t bytes) {
  if (Injected(FileOp::kReserve, fd)) return errno;
  if (bytes <= 0) return 0;
  // Keeping the size leaves appends and readers exactly as without a reservation.
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes)) == 0) return 0;
  if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
  return ::posix_fallocate(fd, 0, static_cast<off_t>(bytes));
}

bool SyncFolder(int dir, const std::string& path) {
  return !Injected(FileOp::kSyncFolder, -1, path) && ::fsync(dir) == 0;
}

void SyncFolderOrWarn(int dir, const std::string& path) {
  if (SyncFolder(dir, path)) return;
  std::fprintf(stderr,
               "tavelin2: warning: the folder of %s could not be synced (%s); the file itself is "
               "written and synced\n",
               path.c_str(), std::strerror(errno));
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (true) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE || buffer.size() > (1u << 20)) return ".";
    buffer.resize(buffer.size() * 2);
  }
}

bool NameTaken(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::optional<std::string> ReadFrom(int fd, int64_t offset) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < offset) return std::nullopt;
  std::string out(static_cast<size_t>(st.st_size - offset), '\0');
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done,
                              static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    done += static_cast<size_t>(n);
  }
  return out;
}
