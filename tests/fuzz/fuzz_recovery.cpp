// Recovery of a journal whose frames are any bytes after a sound header: it
// must not crash or leak, writes only into the run's own folders, and removes
// the journal exactly when both result files were written.

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "results/journal_format.h"
#include "results/run_recovery.h"
#include "state/message_box.h"

namespace fs = std::filesystem;

namespace {

fs::path root;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "recovery: %s\n", what);
  std::abort();
}

void Empty(const fs::path& dir) {
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  fs::create_directories(dir);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // tmpfs where there is one: every result file is synced.
  char shm[] = "/dev/shm/t2-fuzz-recovery-XXXXXX";
  char tmp[] = "/tmp/t2-fuzz-recovery-XXXXXX";
  const char* dir = ::mkdtemp(shm);
  if (dir == nullptr) dir = ::mkdtemp(tmp);
  if (dir == nullptr) std::abort();
  root = dir;
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(root, ignored);
  });
  SetMessageBoxHandler([](const std::string&, const std::string&, uint32_t) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path work = root / "work", rescue = root / "rescue", journals = root / "journals";
  for (const fs::path& dir : {work, rescue, journals}) Empty(dir);
  // The first byte gives the subject's length; the rest are the journal's frames.
  const size_t subject_size = size > 0 ? std::min<size_t>(data[0] % 48, size - 1) : 0;
  const std::string subject(reinterpret_cast<const char*>(data) + (size > 0), subject_size);
  const size_t frames_at = std::min(size, 1 + subject_size);
  std::string bytes(kJournalMagic);
  bytes += EncodeHeaderFrame({kJournalFormatVersion, subject, {2016, 3, 5, 9, 7, 2, 123}, work});
  bytes.append(reinterpret_cast<const char*>(data) + frames_at, size - frames_at);
  const fs::path journal = journals / "run_20160305_090702_1.t2journal";
  std::ofstream(journal, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));

  const std::vector<std::string> journal_dirs{journals.string()};
  const std::vector<std::string> rescue_dirs{rescue.string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(journal_dirs, rescue_dirs);
  if (runs.size() != 1) Broken("the journal was not taken up");
  if (runs[0].outcome.all_written() == fs::exists(journal)) {
    Broken("journal kept after all four files were written, or removed before");
  }
  // Nothing lands outside the run's folders.
  for (const auto& entry : fs::directory_iterator(root)) {
    const fs::path name = entry.path().filename();
    if (name != "work" && name != "rescue" && name != "journals")
      Broken("a file outside the folders");
  }
  return 0;
}
