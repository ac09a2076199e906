#pragma once
// Small POSIX file helpers for the result files and the run journal: complete
// writes, durable syncs, reading back.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"
#include "state/path_names.h"

// Writes every byte, retrying short writes and EINTR. False on any error.
bool WriteAll(int fd, std::string_view bytes);
// The same at `offset`, without moving the file position.
bool WriteAllAt(int fd, int64_t offset, std::string_view bytes);
// fsync / fdatasync of an open file.
bool SyncFile(int fd);
bool SyncFileData(int fd);

// Makes the entries of the open folder `dir` durable (fsync); `path`, the file
// whose entry it is, names it for the fault hook.
bool SyncFolder(int dir, const std::string& path);
// The same for a file that is complete either way: a folder that cannot be
// synced (a file system that reports sync errors) gets a warning on stderr and
// nothing more.
void SyncFolderOrWarn(int dir, const std::string& path);

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

// The process's working directory, or "." when it cannot be named.
std::string CurrentDirectory();

// Whether anything (a file, a folder, a link, dangling or not) has the name `path`.
bool NameTaken(const std::string& path);

// The whole content of the open file from `offset` to its end.
std::optional<std::string> ReadFrom(int fd, int64_t offset);
