// The settings file read from any bytes, written, and read again: what Save
// writes must come back from Load as exactly the entries it wrote (every entry
// that can be read back, in order), and a second Save must write the same bytes.

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "state/settings_file.h"

namespace {

std::string base;  // "<scratch folder>/Fuzz"

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "settings round trip broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // tmpfs where there is one: the settings writer syncs every file.
  char shm[] = "/dev/shm/t2-fuzz-settings-XXXXXX";
  char tmp[] = "/tmp/t2-fuzz-settings-XXXXXX";
  const char* dir = ::mkdtemp(shm);
  if (dir == nullptr) dir = ::mkdtemp(tmp);
  if (dir == nullptr) std::abort();
  static std::string folder = dir;
  base = folder + "/Fuzz";
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream(base + ".ini", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  SettingsFile first;
  first.Load(base);
  SettingsFile numbers;
  for (const std::string& value : first.values) {
    int32_t n = 0;
    numbers.SetString("probe", value);
    numbers.GetInt("probe", n);
  }
  if (!first.Save()) Broken("save failed");
  const std::string written = ReadAll(base + ".ini");

  SettingsFile second;
  second.Load(base);
  size_t next = 0;
  for (int32_t i = 0; i < first.entry_count; ++i) {
    if (!SettingsFile::CanBeReadBack(first.keys[i], first.values[i])) continue;
    if (next >= second.keys.size()) Broken("an entry was lost");
    if (second.keys[next] != first.keys[i]) Broken("a key came back changed");
    if (second.values[next] != first.values[i]) Broken("a value came back changed");
    ++next;
  }
  if (next != second.keys.size()) Broken("an entry appeared");
  if (!second.Save() || ReadAll(base + ".ini") != written)
    Broken("a second save wrote other bytes");
  return 0;
}
