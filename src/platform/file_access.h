#pragma once
// Who may read the files a run writes. Children's data are private: by default
// files are 0600 and folders 0700, for the user alone. A lab that shares its
// data within a group names it in Tavelin2.ini ("share_group = <group>"); then
// result files, the run record, the session video and its frame table are
// 0640 and new rescue folders 0750, with that group. Journals stay private.

#include <sys/types.h>

#include <string>

struct FileAccess {
  mode_t file_mode = 0600;
  mode_t folder_mode = 0700;
  gid_t group = static_cast<gid_t>(-1);  // -1: the user's own group, untouched
};

// The user alone.
FileAccess PrivateAccess();
// What the lab set for the files of a run (PrivateAccess until SetShareGroup).
FileAccess RunFileAccess();

// Shares the run's files with the group `name` ("" shares nothing). A group
// that does not exist, or one the user is not a member of, shares nothing
// either; the reason comes back ("" when the setting was taken).
std::string SetShareGroup(const std::string& name);

// Gives the open file or folder exactly its mode of `access` (whatever the
// umask took away or added), and the group first when there is one, so that
// the group can read it only once it is the lab's. False with errno on failure.
bool ApplyAccess(int fd, bool folder, const FileAccess& access);
