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

// Makes the directory entry of `path` durable (fsync of its parent directory).
bool SyncParentDirectory(const std::string& path);

// Creates `path` and any missing parents (mode 0777 before umask). True when the
// directory exists afterwards.
bool EnsureDirectory(const std::string& path);

// The process's working directory, or "." when it cannot be named.
std::string CurrentDirectory();

std::string JoinPath(const std::string& directory, const std::string& name);
std::string ParentDirectory(const std::string& path);

// Size in bytes of the file at `path`, or nothing when it cannot be stat'ed.
std::optional<int64_t> FileSize(const std::string& path);

// The whole content of the open file from `offset` to its end.
std::optional<std::string> ReadFrom(int fd, int64_t offset);
