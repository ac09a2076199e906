#pragma once
// Writes one result file by the open rule (an existing file is appended to
// without a header; a missing one is created with its header), makes it durable,
// and when the file cannot be opened or written keeps the data in a rescue folder
// instead, telling the experimenter where it went.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class ResultFileKind : uint8_t { kTrial = 0, kBody = 1, kTiming = 2, kRunRecord = 3 };

// Told before a result file is opened and after its content is durable, so that
// an interrupted write can later be completed without writing a row twice.
class ResultWriteLog {
 public:
  virtual ~ResultWriteLog() = default;
  // `prior_size` is the file's size before this write, -1 when it did not exist.
  virtual void OnWriteBegin(ResultFileKind kind, const std::string& path, int64_t prior_size) = 0;
  virtual void OnWriteDone(ResultFileKind kind, const std::string& path) = 0;
  // Where the run's data stays when no file could be written ("" if nowhere).
  virtual std::string RetainedCopyPath() const { return {}; }
};

// A write of this run that was begun on `path` and may have been cut short: the
// file held `prior_size` bytes before it (-1: it did not exist).
struct ResumePoint {
  ResultFileKind kind = ResultFileKind::kTrial;
  std::string path;
  int64_t prior_size = -1;
};

// Where result files go: the working directory, then the rescue folders in order.
struct ResultLocations {
  std::string primary_directory;
  std::vector<std::string> rescue_directories;
};

// $HOME/Tavelin2-rescue, the account's home from the password database when it
// differs, then /var/tmp/Tavelin2-rescue-<uid> and /tmp/Tavelin2-rescue-<uid>.
std::vector<std::string> DefaultRescueDirectories();

struct ResultFileOutcome {
  bool written = false;   // the whole content is in a file
  bool in_place = false;  // ... and that file is in the primary directory
  std::string path;       // the file written (empty when none)
};

// One file of a run: `header` goes only into a file the write creates.
struct ResultFileToWrite {
  ResultFileKind kind = ResultFileKind::kTrial;
  std::string name;
  std::string_view header;
  std::string_view rows;
  std::string written_path;  // where the run already wrote it in full ("" when nowhere)
  // A file that is never appended to names itself in each folder (the first
  // free name there); unset: `name` in every folder.
  std::function<std::string(const std::string& folder)> name_in_folder;

  std::string NameIn(const std::string& folder) const {
    return name_in_folder ? name_in_folder(folder) : name;
  }
};

// Writes the files of one run so that one folder always holds the whole run:
// the primary directory when it takes every file, else the first rescue folder
// that does (a file already written in place stays there, and is written into
// the rescue folder as well). Only when no folder takes them all does each file
// go wherever it can. A ResumePoint for the same kind and path whose file still
// holds a prefix of what the write would add is completed instead of written
// again. Outcomes in the order of `files`.
std::vector<ResultFileOutcome> WriteRunFileSet(std::span<const ResultFileToWrite> files,
                                               const ResultLocations& locations,
                                               ResultWriteLog* log,
                                               std::span<const ResumePoint> resume_points);

// One file alone, by the same rules.
ResultFileOutcome WriteResultFile(ResultFileKind kind, const std::string& name,
                                  std::string_view header, std::string_view rows,
                                  const ResultLocations& locations, ResultWriteLog* log,
                                  std::span<const ResumePoint> resume_points);

// The messages of a failed write; "データファイルを開くことができません" is the
// first one, the others say where the data went.
extern const char* const kCannotOpenDataFileMessage;
std::string RescuedFilesMessage(const std::vector<std::string>& paths);
std::string RescuedFileMessage(const std::string& path);
std::string DataNotWrittenMessage(const std::string& retained_copy_path);
