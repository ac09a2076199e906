#include "results/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "results/result_file_writer.h"

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
                                               const JournalHeader& header) {
  std::string content(kJournalMagic);
  content += EncodeHeaderFrame(header);
  for (const std::string& dir : directories) {
    if (!EnsureDirectory(dir)) continue;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string path = JoinPath(dir, JournalFileName(header.start, attempt));
      UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644));
      if (!fd.valid()) {
        if (errno == EEXIST) continue;
        break;  // this folder cannot take it; try the next one
      }
      // Locked before anything is in it, so recovery never takes a live journal.
      if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd.get(), content) ||
          ::fdatasync(fd.get()) != 0 || !SyncParentDirectory(path)) {
        ::unlink(path.c_str());
        break;
      }
      return JournalFile(std::move(fd), std::move(path), content.size());
    }
  }
  return std::nullopt;
}

std::optional<JournalFile> JournalFile::OpenUnlocked(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC));
  if (!fd.valid() || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return JournalFile(std::move(fd), path, static_cast<size_t>(st.st_size));
}

bool JournalFile::Append(std::string_view frames) {
  if (!fd_.valid()) return false;
  if (WriteAll(fd_.get(), frames)) {
    size_ += frames.size();
    return true;
  }
  (void)::ftruncate(fd_.get(), static_cast<off_t>(size_));
  return false;
}

bool JournalFile::Sync() {
  return fd_.valid() && ::fdatasync(fd_.get()) == 0;
}

bool JournalFile::TruncateTo(size_t size) {
  if (!fd_.valid() || ::ftruncate(fd_.get(), static_cast<off_t>(size)) != 0) return false;
  size_ = size;
  return Sync();
}

bool JournalFile::Remove() {
  if (path_.empty()) return false;
  const bool removed = ::unlink(path_.c_str()) == 0 && SyncParentDirectory(path_);
  fd_.Reset();
  if (removed) ::rmdir(ParentDirectory(path_).c_str());  // only succeeds when empty
  return removed;
}
