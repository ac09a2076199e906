#pragma once
// The "key = value" settings file that keeps the experiment settings between
// program starts. Keys and values are byte strings (UTF-8 here, Shift-JIS from
// the Windows build): bytes are kept as they are.

#include <cstdint>
#include <string>
#include <vector>

class SettingsFile {
 public:
  // Reads "<base_name>.ini" from the working directory; a missing file leaves the store empty.
  void Load(const std::string& base_name);
  // Rewrites the file from the entries, CR LF line ends; a failure is not reported.
  void Save() const;
  bool GetString(const std::string& key, std::string& dest) const;
  bool GetInt(const std::string& key, int32_t& dest) const;
  void SetString(const std::string& key, const std::string& value);
  void SetInt(const std::string& key, int32_t value);

  std::string path;
  int32_t entry_count = 0;
  std::vector<std::string> keys;
  std::vector<std::string> values;
};
