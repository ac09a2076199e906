#pragma once
// The fuzz input as the files of one run: the bytes up to the first NUL are
// the trial file, then the body file, the timing file and the run record
// (each present when its part is). They are written into a scratch folder,
// on tmpfs where there is one, and read back as the program reads them.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "results/result_file_reader.h"

namespace fuzz_input {

inline std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

inline void MakeFolder(const char* name) {
  std::string shm = std::string("/dev/shm/t2-fuzz-") + name + "-XXXXXX";
  std::string tmp = std::string("/tmp/t2-fuzz-") + name + "-XXXXXX";
  const char* dir = ::mkdtemp(shm.data());
  if (dir == nullptr) dir = ::mkdtemp(tmp.data());
  if (dir == nullptr) std::abort();
  Folder() = dir;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
  });
}

// Reads the run the input stands for; nothing when the reader refuses it.
inline std::optional<ResultFileSet> ReadInputAsRun(const uint8_t* data, size_t size) {
  const std::string stem = (Folder() / "P01_20261210_101500").string();
  const char* suffixes[] = {".csv", "_B.csv", "_T.csv", "_run.json"};
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (const char* suffix : suffixes) {
    const std::string path = stem + suffix;
    std::filesystem::remove(path);
    if (rest.data() == nullptr) continue;
    const size_t nul = rest.find('\0');
    std::ofstream(path, std::ios::binary) << rest.substr(0, nul);
    rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  }
  std::string error;
  std::optional<ResultFileSet> set = ReadResultFiles(stem + ".csv", &error);
  if (!set && error.empty()) std::abort();  // a refusal always says why
  return set;
}

}  // namespace fuzz_input
