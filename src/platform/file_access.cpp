#include "platform/file_access.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

FileAccess run_file_access;

bool IsMemberOf(gid_t group) {
  if (::getegid() == group) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  const int got = ::getgroups(count, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

}  // namespace

FileAccess PrivateAccess() {
  return FileAccess{};
}

FileAccess RunFileAccess() {
  return run_file_access;
}

std::string SetShareGroup(const std::string& name) {
  run_file_access = PrivateAccess();
  if (name.empty()) return {};
  const group* found = ::getgrnam(name.c_str());
  if (found == nullptr) return "there is no group \"" + name + "\"";
  if (!IsMemberOf(found->gr_gid)) return "this account is not a member of the group \"" + name + "\"";
  run_file_access = FileAccess{0640, 0750, found->gr_gid};
  return {};
}

bool ApplyAccess(int fd, bool folder, const FileAccess& access) {
  if (access.group != static_cast<gid_t>(-1) && ::fchown(fd, static_cast<uid_t>(-1), access.group) != 0)
    return false;
  return ::fchmod(fd, folder ? access.folder_mode : access.file_mode) == 0;
}
