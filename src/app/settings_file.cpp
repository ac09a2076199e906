#include "app/settings_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Removes trailing, then leading, spaces, tabs and LFs. The set is ASCII only, so
// multi-byte characters (Shift-JIS trail bytes included) are never split.
std::string Trim(const std::string& s) {
  size_t end = s.size();
  while (end > 0 && IsBlank(s[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsBlank(s[begin])) ++begin;
  return s.substr(begin, end - begin);
}

// Next token delimited by '=': skips a run of '=' first, then takes every
// character up to the next '=' or the end. Empty when nothing is left.
std::string NextToken(const std::string& s, size_t& pos) {
  while (pos < s.size() && s[pos] == '=') ++pos;
  size_t start = pos;
  while (pos < s.size() && s[pos] != '=') ++pos;
  return s.substr(start, pos - start);
}

}  // namespace

void SettingsFile::Load(const std::string& base_name) {
  path = base_name + ".ini";
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    entry_count = 0;
    keys.clear();
    values.clear();
    return;
  }
  // Reads of at most 1023 characters that stop after the first LF, as fgets into
  // a 1024-byte buffer would; CR LF counts as LF (text mode on the original).
  char buf[1024];
  while (std::fgets(buf, sizeof buf, f)) {
    std::string line(buf);
    if (line.size() >= 2 && line[line.size() - 2] == '\r' && line.back() == '\n') {
      line.erase(line.size() - 2, 1);
    }
    line = Trim(line);
    if (line.empty()) continue;
    size_t pos = 0;
    std::string key = Trim(NextToken(line, pos));
    std::string value = Trim(NextToken(line, pos));
    // A line of nothing but '=' has no key; keeping it would write back " = "
    // lines that grow with every save, so it is dropped.
    if (key.empty()) continue;
    SetString(key, value);
  }
  std::fclose(f);
}

void SettingsFile::Save() const {
  if (path.empty()) return;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  for (int32_t i = 0; i < entry_count; ++i) {
    std::fprintf(f, "%s = %s\r\n", keys[i].c_str(), values[i].c_str());
  }
  std::fclose(f);
}

bool SettingsFile::GetString(const std::string& key, std::string& dest) const {
  for (int32_t i = 0; i < entry_count; ++i) {
    if (keys[i] == key) {
      dest = values[i];
      return true;
    }
  }
  return false;
}

bool SettingsFile::GetInt(const std::string& key, int32_t& dest) const {
  std::string text;
  if (!GetString(key, text)) return false;
  // strtol with base 10, then clamped to the 32-bit range.
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
  dest = static_cast<int32_t>(v);
  return true;
}

void SettingsFile::SetString(const std::string& key, const std::string& value) {
  for (int32_t i = 0; i < entry_count; ++i) {
    if (keys[i] == key) {
      values[i] = value;
      return;
    }
  }
  keys.push_back(key);
  values.push_back(value);
  ++entry_count;
}

void SettingsFile::SetInt(const std::string& key, int32_t value) {
  SetString(key, std::to_string(value));
}
