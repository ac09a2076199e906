#pragma once
// Runs a piece of a test as another account: a forked child takes the uid,
// gid and supplementary groups (only root may), runs the function and hands
// back what it returns. Root passes every permission check, so whatever is
// about who may read or write must run under plain accounts like these.

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace results_test {

// A uid (and gid of the same number) that no account and no group uses, from
// `first` up; each call gives a new one.
inline uid_t UnusedId(uid_t first = 54320) {
  static uid_t next = 0;
  if (next < first) next = first;
  while (::getpwuid(next) != nullptr || ::getgrgid(next) != nullptr) ++next;
  return next++;
}

// `run` in a child as `uid`/`gid` with `groups`; what it returns, or nothing
// when the child could not become that account or died.
inline std::optional<std::string> AsAccount(uid_t uid, gid_t gid, const std::vector<gid_t>& groups,
                                            const std::function<std::string()>& run) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return std::nullopt;
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0)
      ::_exit(2);
    const std::string out = run();
    size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::write(pipe_fds[1], out.data() + done, out.size() - done);
      if (n <= 0) ::_exit(3);
      done += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
  ::close(pipe_fds[0]);
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return out;
}

}  // namespace results_test
