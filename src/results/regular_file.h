#pragma once
// Reading a whole file that must be a plain file. A folder, a FIFO or a device
// of that name is refused without being read (a FIFO would block the reader),
// and every failure says why, so that readers of result files can report it.

#include <string>

enum class FileRead { kRead, kMissing, kFailed };

// The whole of `path` into *bytes. kMissing when nothing has that name; on
// kFailed *error names the path and the reason.
FileRead ReadRegularFile(const std::string& path, std::string* bytes, std::string* error);
