#include "results/result_file_writer.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "results/posix_file.h"
#include "state/message_box.h"
#include "state/own_folder.h"
#include "state/translate_noop.h"

const char* const kCannotOpenDataFileMessage =
    QT_TRANSLATE_NOOP("Message", "データファイルを開くことができません");

std::string RescuedFilesMessage(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& path : paths) list += (list.empty() ? "" : "\n") + path;
  if (paths.size() == 1) {
    return MessageText(QT_TRANSLATE_NOOP("Message",
                                         "データファイルを作業フォルダに書き込めなかったため、"
                                         "次の場所に保存しました。\n%1"),
                       {list});
  }
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "データファイルをすべては作業フォルダに書き込めなかったため、"
                                       "この実行のファイルをまとめて次の場所に保存しました。\n%1"),
                     {list});
}

std::string RescuedFileMessage(const std::string& path) {
  return RescuedFilesMessage({path});
}

std::string DataNotWrittenMessage(const std::string& retained_copy_path) {
  if (retained_copy_path.empty())
    return MessageText(QT_TRANSLATE_NOOP("Message", "データファイルをどこにも保存できませんでした。"));
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "データファイルをどこにも保存できませんでした。記録は次の"
                                       "ファイルに残っています。次回の起動時に書き出します。\n%1"),
                     {retained_copy_path});
}

std::vector<std::string> DefaultRescueDirectories() {
  constexpr const char* kFolder = "Tavelin2-rescue";
  std::vector<std::string> dirs;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') dirs.push_back(JoinPath(home, kFolder));
  if (const passwd* account = ::getpwuid(::getuid());
      account != nullptr && account->pw_dir != nullptr && account->pw_dir[0] == '/') {
    std::string dir = JoinPath(account->pw_dir, kFolder);
    if (std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) dirs.push_back(std::move(dir));
  }
  const std::string uid = std::to_string(::getuid());
  dirs.push_back("/var/tmp/" + std::string(kFolder) + "-" + uid);
  dirs.push_back("/tmp/" + std::string(kFolder) + "-" + uid);
  return dirs;
}

namespace {

// What a write adds to its file: the header (only into a new file) and the rows.
struct Content {
  std::string_view head;
  std::string_view rows;

  size_t size() const { return head.size() + rows.size(); }

  bool StartsWith(std::string_view bytes) const {
    if (bytes.size() > size()) return false;
    const size_t in_head = std::min(bytes.size(), head.size());
    return head.substr(0, in_head) == bytes.substr(0, in_head) &&
           rows.substr(0, bytes.size() - in_head) == bytes.substr(in_head);
  }

  bool WriteFrom(int fd, size_t skip) const {
    const size_t in_head = std::min(skip, head.size());
    return WriteAll(fd, head.substr(in_head)) && WriteAll(fd, rows.substr(skip - in_head));
  }
};

enum class Attempt { kWritten, kFailed, kNotApplicable };

// Completes an interrupted write of this run: the bytes after `prior_size` must
// be a prefix of what the write adds, and only the rest is appended.
Attempt TryResume(const ResumePoint& point, int dir, const std::string& name,
                  std::string_view header, std::string_view rows, ResultWriteLog* log) {
  UniqueFd fd = OpenOwnFileIn(dir, name, O_RDWR | O_APPEND);
  if (!fd.valid()) return Attempt::kNotApplicable;
  const Content expected = point.prior_size < 0 ? Content{header, rows} : Content{{}, rows};
  const int64_t base = std::max<int64_t>(point.prior_size, 0);
  const std::optional<std::string> tail = ReadFrom(fd.get(), base);
  if (!tail || !expected.StartsWith(*tail)) return Attempt::kNotApplicable;

  if (log != nullptr) log->OnWriteBegin(point.kind, point.path, point.prior_size);
  if (!expected.WriteFrom(fd.get(), tail->size()) || !SyncFile(fd.get())) {
    (void)::ftruncate(fd.get(), static_cast<off_t>(base + static_cast<int64_t>(tail->size())));
    return Attempt::kFailed;
  }
  SyncFolderOrWarn(dir, point.path);
  if (log != nullptr) log->OnWriteDone(point.kind, point.path);
  return Attempt::kWritten;
}

// The open rule: an existing file is appended to without a header (also one
// that cannot be read, never truncated); a missing file is created with its
// header. Only a regular file of the user's own is appended to, and nothing is
// opened through a symbolic link.
Attempt TryOpenRule(ResultFileKind kind, int dir, const std::string& name, const std::string& path,
                    std::string_view header, std::string_view rows, ResultWriteLog* log) {
  int64_t prior_size = -1;
  struct stat st {};
  const bool create = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0;
  if (create && errno != ENOENT) return Attempt::kFailed;
  if (!create) prior_size = static_cast<int64_t>(st.st_size);

  if (log != nullptr) log->OnWriteBegin(kind, path, prior_size);
  UniqueFd fd = create ? CreateFileIn(dir, name, O_WRONLY, RunFileAccess())
                       : OpenOwnFileIn(dir, name, O_WRONLY | O_APPEND);
  if (!fd.valid()) return Attempt::kFailed;

  const Content content = create ? Content{header, rows} : Content{{}, rows};
  if (!content.WriteFrom(fd.get(), 0) || !SyncFile(fd.get())) {
    // Leave the file as it was before: no partial rows behind.
    if (create) {
      ::unlinkat(dir, name.c_str(), 0);
    } else {
      (void)::ftruncate(fd.get(), static_cast<off_t>(prior_size));
    }
    return Attempt::kFailed;
  }
  if (create) SyncFolderOrWarn(dir, path);
  if (log != nullptr) log->OnWriteDone(kind, path);
  return Attempt::kWritten;
}

bool WriteFileAt(const ResultFileToWrite& file, const std::string& name, const std::string& folder,
                 int dir, ResultWriteLog* log, std::span<const ResumePoint> resume_points) {
  const std::string path = JoinPath(folder, name);
  const auto resume =
      std::find_if(resume_points.rbegin(), resume_points.rend(),
                   [&](const ResumePoint& p) { return p.kind == file.kind && p.path == path; });
  if (resume != resume_points.rend()) {
    const Attempt attempt = TryResume(*resume, dir, name, file.header, file.rows, log);
    if (attempt != Attempt::kNotApplicable) return attempt == Attempt::kWritten;
  }
  return TryOpenRule(file.kind, dir, name, path, file.header, file.rows, log) == Attempt::kWritten;
}

// The folders a run's files may go to, each opened once: the working directory
// as it is, a rescue folder only when it is the user's own.
class RunFolders {
 public:
  RunFolders(std::vector<std::string> paths, std::string primary)
      : paths_(std::move(paths)), primary_(std::move(primary)), opened_(paths_.size()) {}
  const std::vector<std::string>& paths() const { return paths_; }
  // The folder's descriptor, or -1 when it cannot be used.
  int Open(size_t i) {
    if (!opened_[i]) {
      opened_[i] = paths_[i] == primary_ ? OpenFolder(paths_[i])
                                         : OpenOwnFolder(paths_[i], RunFileAccess());
    }
    return opened_[i]->fd.get();
  }

 private:
  std::vector<std::string> paths_;
  std::string primary_;
  std::vector<std::optional<OpenedFolder>> opened_;
};

}  // namespace

std::vector<ResultFileOutcome> WriteRunFileSet(std::span<const ResultFileToWrite> files,
                                               const ResultLocations& locations,
                                               ResultWriteLog* log,
                                               std::span<const ResumePoint> resume_points) {
  const std::string& primary = locations.primary_directory;
  std::vector<ResultFileOutcome> out(files.size());
  std::vector<std::string> folders{primary};
  folders.insert(folders.end(), locations.rescue_directories.begin(),
                 locations.rescue_directories.end());
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string& done = files[i].written_path;
    if (done.empty()) continue;
    out[i] = {true, done == JoinPath(primary, files[i].NameIn(primary)), done};
    // The folder that already holds part of the run is the first choice.
    const auto at = std::find(folders.begin(), folders.end(), ParentDirectory(done));
    if (at != folders.end()) std::rotate(folders.begin(), at, at + 1);
  }

  bool told = false;
  const auto tell_cannot_open = [&told] {
    if (!told) AfxMessageBox(kCannotOpenDataFileMessage, MB_OK);
    told = true;
  };
  const auto rescued_paths = [&] {
    std::vector<std::string> paths;
    for (const ResultFileOutcome& o : out) {
      if (o.written && !o.in_place) paths.push_back(o.path);
    }
    return paths;
  };
  RunFolders run_folders(folders, primary);
  for (size_t f = 0; f < folders.size(); ++f) {
    const std::string& folder = folders[f];
    const int dir = run_folders.Open(f);
    if (dir < 0 && folder != primary) {
      tell_cannot_open();
      continue;
    }
    bool whole_run = dir >= 0;
    for (size_t i = 0; i < files.size() && whole_run; ++i) {
      const std::string name = files[i].NameIn(folder);
      const std::string path = JoinPath(folder, name);
      if (out[i].written && out[i].path == path) continue;
      whole_run = WriteFileAt(files[i], name, folder, dir, log, resume_points);
      if (whole_run) out[i] = {true, folder == primary, path};
    }
    if (whole_run) {
      if (folder != primary) AfxMessageBox(RescuedFilesMessage(rescued_paths()), MB_OK);
      return out;
    }
    tell_cannot_open();
  }

  // No folder takes the whole run: each file that is nowhere yet goes wherever
  // it can, so that no data is lost for tidiness.
  bool lost = false;
  for (size_t i = 0; i < files.size(); ++i) {
    for (size_t f = 0; f < folders.size() && !out[i].written; ++f) {
      const int dir = run_folders.Open(f);
      if (dir < 0) continue;
      const std::string name = files[i].NameIn(folders[f]);
      if (WriteFileAt(files[i], name, folders[f], dir, log, resume_points)) {
        out[i] = {true, folders[f] == primary, JoinPath(folders[f], name)};
      }
    }
    lost = lost || !out[i].written;
  }
  if (const std::vector<std::string> paths = rescued_paths(); !paths.empty()) {
    AfxMessageBox(RescuedFilesMessage(paths), MB_OK);
  }
  if (lost) {
    AfxMessageBox(DataNotWrittenMessage(log != nullptr ? log->RetainedCopyPath() : std::string()),
                  MB_OK | MB_ICONHAND);
  }
  return out;
}

ResultFileOutcome WriteResultFile(ResultFileKind kind, const std::string& name,
                                  std::string_view header, std::string_view rows,
                                  const ResultLocations& locations, ResultWriteLog* log,
                                  std::span<const ResumePoint> resume_points) {
  const ResultFileToWrite file{kind, name, header, rows, {}};
  return WriteRunFileSet({&file, 1}, locations, log, resume_points).front();
}
