#pragma once
// Small POSIX file helpers for the result files and the run journal: an owning
// descriptor, complete writes, durable syncs and directory creation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Owns one file descriptor; closes it on destruction.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release();
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

// Writes every byte, retrying short writes and EINTR. False on any error.
bool WriteAll(int fd, std::string_view bytes);
// The same at `offset`, without moving the file position.
bool WriteAllAt(int fd, int64_t offset, std::string_view bytes);
// fsync / fdatasync of an open file.
bool SyncFile(int fd);
bool SyncFileData(int fd);

// Makes the directory entry of `path` durable (fsync of its parent directory).
bool SyncParentDirectory(const std::string& path);
// The same for a file that is complete either way: a folder that cannot be
// synced (writable but not listable, or a file system that reports sync
// errors) gets a warning on stderr and nothing more.
void SyncParentDirectoryOrWarn(const std::string& path);

// Reserves disk space for the first `bytes` bytes of the file, so that writes
// within them cannot fail for a full disk. The file's size stays as it is where
// the file system allows it; elsewhere it grows and the new part reads as zeros.
// 0, or the errno of the failure (ENOSPC when the space is not there).
int ReserveFileSpace(int fd, int64_t bytes);

// Failure injection for tests: the hook is asked before each write, sync,
// folder sync and reservation above, with the descriptor concerned (for a
// folder sync, the path of the file whose folder it is, as `path`); a nonzero
// errno it returns makes that call fail with it. Null: no injection.
enum class FileOp : uint8_t { kWrite, kSync, kSyncFolder, kReserve };
using FileFaultHook = int (*)(FileOp op, int fd, const std::string& path);
FileFaultHook SetFileFaultHook(FileFaultHook hook);

// Creates `path` and any missing parents (mode 0700: for the user only, children's data are
// private). True when the directory exists afterwards.
bool EnsureDirectory(const std::string& path);

// The process's working directory, or "." when it cannot be named.
std::string CurrentDirectory();

std::string JoinPath(const std::string& directory, const std::string& name);
std::string ParentDirectory(const std::string& path);

// Size in bytes of the file at `path`, or nothing when it cannot be stat'ed.
std::optional<int64_t> FileSize(const std::string& path);

// The whole content of the open file from `offset` to its end.
std::optional<std::string> ReadFrom(int fd, int64_t offset);
