#include "state/own_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

#include "state/message_box.h"
#include "state/path_names.h"
#include "state/translate_noop.h"

namespace {

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// Why another account could change the folder `st` is, or "".
std::string WhyNotOwn(const struct stat& st) {
  if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  if (st.st_uid != ::geteuid())
    return "it belongs to another account (uid " + std::to_string(st.st_uid) + ")";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return "other accounts may write to it (mode " + Octal(st.st_mode) + ")";
  return {};
}

// Why another account could move a folder out of `parent` or put one in its place, or "".
std::string WhyNotSafeParent(const struct stat& parent) {
  if (parent.st_uid != ::geteuid() && parent.st_uid != 0)
    return "the folder it is in belongs to another account (uid " + std::to_string(parent.st_uid) +
           ")";
  if ((parent.st_mode & S_IWOTH) != 0 && (parent.st_mode & S_ISVTX) == 0)
    return "the folder it is in may be written by anyone (mode " + Octal(parent.st_mode) + ")";
  return {};
}

void ReportRefusal(const std::string& path, const std::string& why) {
  static std::mutex mutex;
  static std::set<std::string> told;
  {
    std::lock_guard<std::mutex> guard(mutex);
    if (!told.insert(path + '\n' + why).second) return;
  }
  std::fprintf(stderr, "tavelin2: the folder %s was not used: %s\n", path.c_str(), why.c_str());
  AfxMessageBox(RefusedFolderMessage(path, why), MB_ICONHAND);
}

OpenedFolder Refused(const std::string& path, const std::string& why) {
  ReportRefusal(path, why);
  return OpenedFolder{UniqueFd(), path + ": " + why, true, EPERM};
}

OpenedFolder Failed(const std::string& path, int error) {
  return OpenedFolder{UniqueFd(), path + ": " + std::strerror(error), false, error};
}

}  // namespace

std::string RefusedFolderMessage(const std::string& path, const std::string& why) {
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "次のフォルダは安全でないため使いませんでした（%2）。データは、"
                                       "このアカウントのものでほかの誰も変更できないフォルダにだけ"
                                       "保存します。\n%1"),
                     {path, why});
}

OpenedFolder OpenFolder(const std::string& path) {
  UniqueFd fd(::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return Failed(path, errno);
  return OpenedFolder{std::move(fd), {}, false};
}

OpenedFolder OpenOwnFolder(const std::string& given, const FileAccess& access, bool create) {
  std::string path = given;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.empty() || path == "/" || path == ".") return Failed(given, EINVAL);
  const std::string parent_path = ParentDirectory(path);
  const std::string name = BaseName(path);
  OpenedFolder parent = OpenFolder(parent_path);
  if (!parent.fd.valid() && create && parent.error == ENOENT) {
    parent = OpenOwnFolder(parent_path, access, create);
  }
  if (!parent.fd.valid()) return parent;
  struct stat st {};
  if (::fstat(parent.fd.get(), &st) != 0) return Failed(parent_path, errno);
  if (const std::string why = WhyNotSafeParent(st); !why.empty()) return Refused(path, why);

  bool made = false;
  if (create) {
    made = ::mkdirat(parent.fd.get(), name.c_str(), access.folder_mode & 0700) == 0;
    if (!made && errno != EEXIST) return Failed(path, errno);
  }
  UniqueFd fd(::openat(parent.fd.get(), name.c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) {
    const int error = errno;
    if (::fstatat(parent.fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(st.st_mode))
      return Refused(path, "it is a symbolic link");
    return Failed(path, error);
  }
  if (::fstat(fd.get(), &st) != 0) return Failed(path, errno);
  if (made) {
    if (!ApplyAccess(fd.get(), true, access)) return Failed(path, errno);
    ::fsync(parent.fd.get());
  } else if (const std::string why = WhyNotOwn(st); !why.empty()) {
    return Refused(path, why);
  }
  return OpenedFolder{std::move(fd), {}, false};
}

UniqueFd CreateFileIn(int dir, const std::string& name, int flags, const FileAccess& access) {
  UniqueFd fd(::openat(dir, name.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       access.file_mode & 0600));
  if (fd.valid() && !ApplyAccess(fd.get(), false, access)) {
    const int error = errno;
    ::unlinkat(dir, name.c_str(), 0);
    errno = error;
    return UniqueFd();
  }
  return fd;
}

UniqueFd OpenOwnFileIn(int dir, const std::string& name, int flags) {
  UniqueFd fd(::openat(dir, name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return fd;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return UniqueFd();
  if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || st.st_nlink != 1) {
    errno = EPERM;
    return UniqueFd();
  }
  const int status = ::fcntl(fd.get(), F_GETFL);
  if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0) return UniqueFd();
  return fd;
}

UniqueFd RewriteFileIn(int dir, const std::string& name, const FileAccess& access) {
  UniqueFd fd = CreateFileIn(dir, name, O_WRONLY, access);
  if (fd.valid() || errno != EEXIST) return fd;
  fd = OpenOwnFileIn(dir, name, O_WRONLY);
  if (fd.valid() && (::ftruncate(fd.get(), 0) != 0 || !ApplyAccess(fd.get(), false, access)))
    return UniqueFd();
  return fd;
}
