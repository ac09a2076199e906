#pragma once
// One run journal file on disk: created with its header and locked for the run,
// appended to, synced, and removed once the run's result files are safe. The
// lock (flock) tells recovery that a journal still belongs to a live run; the
// kernel drops it when the process dies, however it dies.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/journal_format.h"
#include "results/posix_file.h"

inline constexpr const char* kJournalFolderName = ".tavelin2-journal";
inline constexpr std::string_view kJournalExtension = ".t2journal";

// Where journals are kept: the hidden folder in the working directory, then a
// "journal" folder in each rescue folder (for a working directory that cannot be
// written). Recovery looks in the same places.
std::vector<std::string> DefaultJournalDirectories();

class JournalFile {
 public:
  // A new journal in the first directory that can hold one: the magic, the
  // header and `frames` are on disk (synced) when this returns. With
  // `reserve_bytes` above 0 a directory counts only when that much disk space
  // could be reserved for the file; `directory_index` tells which one took it.
  static std::optional<JournalFile> Create(std::span<const std::string> directories,
                                           const JournalHeader& header,
                                           std::string_view frames = {}, int64_t reserve_bytes = 0,
                                           size_t* directory_index = nullptr);

  // An existing journal of this account for recovery; nothing when a live run
  // holds it, it belongs to someone else, or it cannot be opened for writing.
  static std::optional<JournalFile> OpenUnlocked(const std::string& path);

  JournalFile(JournalFile&&) = default;
  JournalFile& operator=(JournalFile&&) = default;

  const std::string& path() const { return path_; }
  int fd() const { return fd_.get(); }

  // Appends whole frames after the last byte known to be written. After a failed
  // append the next one writes over what it left, so the file never keeps half a
  // frame from this process before later frames (and its reserved space is kept).
  bool Append(std::string_view frames);
  size_t size() const { return size_; }
  bool Sync();
  bool AppendSynced(std::string_view frames) { return Append(frames) && Sync(); }
  // Drops everything after `size` bytes (a torn tail) and syncs.
  bool TruncateTo(size_t size);
  // Deletes the file (durably where its folder can be synced) and the folder
  // when it is left empty. True when the file is gone.
  bool Remove();

 private:
  JournalFile(UniqueFd fd, UniqueFd folder, std::string path, size_t size)
      : fd_(std::move(fd)), folder_(std::move(folder)), path_(std::move(path)), size_(size) {}

  UniqueFd fd_;
  UniqueFd folder_;  // the folder it is in, where it is removed
  std::string path_;
  size_t size_ = 0;  // bytes known to be in the file
};
