#pragma once
// Folders and files that no other account can redirect or read. A rescue or
// journal folder has a name anyone can guess (/tmp/Tavelin2-rescue-<uid>), so
// another account could make it first, with symbolic links named like the
// files to come. A folder is therefore used only when it is the user's own,
// and every file is opened relative to that folder's descriptor, never
// through a symbolic link, and appended to only when it is the user's.

#include <string>

#include "platform/file_access.h"
#include "platform/unique_fd.h"

struct OpenedFolder {
  UniqueFd fd;          // valid when the folder can be used
  std::string problem;  // otherwise why not
  bool refused = false;  // it exists but is not safe (someone else's, a link, writable by others)
  int error = 0;         // errno of the failure
};

// The folder the experimenter chose to work in, as it is.
OpenedFolder OpenFolder(const std::string& path);

// A folder of the user's own: made with `access` when missing (`create`, with
// its missing parents), else used only when it is a folder and not a symbolic
// link, owned by this user (geteuid), writable by no one else, and in a folder
// owned by this user or by root that others cannot write to (or only with the
// sticky bit, like /tmp), so that no one else can move it. A refused folder is
// reported once (stderr and a message box naming the folder and why).
OpenedFolder OpenOwnFolder(const std::string& path, const FileAccess& access, bool create = true);

// A new file `name` in the open folder `dir` (flags such as O_WRONLY or O_RDWR);
// an existing file or link of that name fails with EEXIST. Its mode and group
// are those of `access` before anything is written.
UniqueFd CreateFileIn(int dir, const std::string& name, int flags, const FileAccess& access);

// An existing file `name` in `dir` for writing: only a regular file of this
// user's with no other link to it (EPERM otherwise); never through a symbolic
// link (ELOOP), never blocking on a FIFO.
UniqueFd OpenOwnFileIn(int dir, const std::string& name, int flags);

// `name` in `dir` to be written afresh with `access`: a new file, or an
// existing one that OpenOwnFileIn takes, emptied. Another account's file or
// link of that name gets nothing (EPERM, ELOOP).
UniqueFd RewriteFileIn(int dir, const std::string& name, const FileAccess& access);

// The message of a folder that was not used.
std::string RefusedFolderMessage(const std::string& path, const std::string& why);
