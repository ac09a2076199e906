// The result file name rule on any subject and start time: the name is one
// plain, visible file name within the 255-byte limit, both files share it,
// and a subject in UTF-8 gives a name in UTF-8.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "results/result_file_names.h"

namespace {

[[noreturn]] void Broken(const char* what, const std::string& name) {
  std::fprintf(stderr, "file name rule: %s: %s\n", what, name.c_str());
  std::abort();
}

bool ValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LocalDateTime start{2016, 3, 5, 9, 7, 2, 0};
  // The first 24 bytes, when there, are the start time: a journal read back
  // from a damaged disk may hold any numbers.
  if (size >= 24) {
    std::memcpy(&start.year, data, 4);
    std::memcpy(&start.month, data + 4, 4);
    std::memcpy(&start.day, data + 8, 4);
    std::memcpy(&start.hour, data + 12, 4);
    std::memcpy(&start.minute, data + 16, 4);
    std::memcpy(&start.second, data + 20, 4);
    data += 24;
    size -= 24;
  }
  const std::string subject(reinterpret_cast<const char*>(data), size);
  const std::string trial = TrialFileName(subject, start);
  const std::string body = BodyFileName(subject, start);
  for (const std::string& name : {trial, body}) {
    if (name.size() > 255) Broken("longer than 255 bytes", name);
    if (name[0] == '.' || name[0] == '-') Broken("hidden or read as an option", name);
    for (char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '/' || byte < 0x20 || byte == 0x7F) Broken("a separator or control byte", name);
    }
    if (ValidUtf8(subject) && !ValidUtf8(name)) Broken("UTF-8 subject, name not UTF-8", name);
  }
  if (!trial.ends_with(".csv") || !body.ends_with("_B.csv") ||
      trial.substr(0, trial.size() - 4) != body.substr(0, body.size() - 6)) {
    Broken("the two names do not match", trial + " " + body);
  }
  return 0;
}
