#include "results/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "results/result_file_writer.h"
#include "state/own_folder.h"

std::vector<std::string> DefaultJournalDirectories() {
  std::vector<std::string> dirs{JoinPath(CurrentDirectory(), kJournalFolderName)};
  for (const std::string& rescue : DefaultRescueDirectories()) {
    dirs.push_back(JoinPath(rescue, "journal"));
  }
  return dirs;
}

namespace {

std::string JournalFileName(const LocalDateTime& t, int attempt) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "run_%04d%02d%02d_%02d%02d%02d_%ld", t.year, t.month, t.day,
                t.hour, t.minute, t.second, static_cast<long>(::getpid()));
  std::string name(buffer);
  if (attempt > 0) name += "_" + std::to_string(attempt);
  return name + std::string(kJournalExtension);
}

}  // namespace

std::optional<JournalFile> JournalFile::Create(std::span<const std::string> directories,
                                               const JournalHeader& header, std::string_view frames,
                                               int64_t reserve_bytes, size_t* directory_index) {
  const std::string start = std::string(kJournalMagic) + EncodeHeaderFrame(header);
  for (size_t d = 0; d < directories.size(); ++d) {
    const std::string& dir = directories[d];
    OpenedFolder folder = OpenOwnFolder(dir, PrivateAccess());
    if (!folder.fd.valid()) continue;
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string name = JournalFileName(header.start, attempt);
      std::string path = JoinPath(dir, name);
      UniqueFd fd = CreateFileIn(folder.fd.get(), name, O_RDWR, PrivateAccess());
      if (!fd.valid()) {
        if (errno == EEXIST) continue;
        break;  // this folder cannot take it; try the next one
      }
      // Locked before anything is in it, so recovery never takes a live journal.
      // The space is reserved before the content goes in: a folder without room
      // is left for the next one at once.
      if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
          (reserve_bytes > 0 && ReserveFileSpace(fd.get(), reserve_bytes) != 0) ||
          !WriteAllAt(fd.get(), 0, start) ||
          !WriteAllAt(fd.get(), static_cast<int64_t>(start.size()), frames) ||
          !SyncFileData(fd.get())) {
        ::unlinkat(folder.fd.get(), name.c_str(), 0);
        break;
      }
      SyncFolderOrWarn(folder.fd.get(), path);
      if (directory_index != nullptr) *directory_index = d;
      return JournalFile(std::move(fd), std::move(folder.fd), std::move(path),
                         start.size() + frames.size());
    }
    // A folder that took no journal (a full disk) is not left behind empty;
    // rmdir never removes one that holds anything.
    ::rmdir(dir.c_str());
  }
  return std::nullopt;
}

std::optional<JournalFile> JournalFile::OpenUnlocked(const std::string& path) {
  UniqueFd folder(::open(ParentDirectory(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder.valid()) return std::nullopt;
  UniqueFd fd = OpenOwnFileIn(folder.get(), BaseName(path), O_RDWR);
  if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return std::nullopt;
  return JournalFile(std::move(fd), std::move(folder), path, static_cast<size_t>(st.st_size));
}

bool JournalFile::Append(std::string_view frames) {
  if (!fd_.valid() || !WriteAllAt(fd_.get(), static_cast<int64_t>(size_), frames)) return false;
  size_ += frames.size();
  return true;
}

bool JournalFile::Sync() {
  return fd_.valid() && SyncFileData(fd_.get());
}

bool JournalFile::TruncateTo(size_t size) {
  if (!fd_.valid() || ::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0) return false;
  size_ = size;
  return Sync();
}

bool JournalFile::Remove() {
  if (path_.empty()) return false;
  const bool removed = ::unlinkat(folder_.get(), BaseName(path_).c_str(), 0) == 0;
  if (removed) SyncFolderOrWarn(folder_.get(), path_);
  fd_.Reset();
  folder_.Reset();
  if (removed) ::rmdir(ParentDirectory(path_).c_str());  // only succeeds when empty
  return removed;
}
