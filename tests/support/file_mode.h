#pragma once
// The permission bits of a file as `ls -l` people write them ("0600"), for
// tests of who may read what the program writes.

#include <sys/stat.h>

#include <cstdio>
#include <string>

// Of `path` itself (a link is not followed); "missing" when there is nothing.
inline std::string ModeText(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "missing";
  char text[8];
  std::snprintf(text, sizeof text, "%04o", unsigned(st.st_mode & 07777));
  return text;
}
