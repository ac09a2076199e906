#pragma once
// The "key = value" settings file that keeps the experiment settings between
// program starts. Keys and values are byte strings (UTF-8 here, Shift-JIS from
// the Windows build): bytes are kept as they are.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Longest line a read takes in one piece (the LF not counted): a longer line
// comes back as two or more entries.
inline constexpr size_t kMaxSettingsLineChars = 1023;

class SettingsFile {
 public:
  // Reads "<base_name>.ini" from the working directory; a missing file leaves the
  // store empty. A file that exists but cannot be read (no permission, a folder
  // of that name, an I/O error) leaves it empty too and sets `load_error`.
  void Load(const std::string& base_name);
  // Rewrites the file from the entries, CR LF line ends, so that it is either the
  // old file or the whole new one. False when it could not be written.
  bool Save() const;
  bool GetString(const std::string& key, std::string& dest) const;
  bool GetInt(const std::string& key, int32_t& dest) const;
  void SetString(const std::string& key, const std::string& value);
  void SetInt(const std::string& key, int32_t value);

  // True when the line Save writes for the entry is read back by Load as this
  // same entry: the key is not empty, holds no "=" and no outer blanks, neither
  // holds a line break, and the line fits in one read ("key=value" when the
  // blanks of "key = value" would not fit). Save leaves out every other entry:
  // written, it would come back as a different one (" = timelimit" is read as the
  // key "timelimit").
  static bool CanBeReadBack(const std::string& key, const std::string& value);

  std::string path;
  // Why the last Load could not read an existing file ("" when it read the file
  // or there was none), as strerror gives it.
  std::string load_error;
  int32_t entry_count = 0;
  std::vector<std::string> keys;
  std::vector<std::string> values;
};
