#include "state/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "state/own_folder.h"
#include "state/path_names.h"

namespace {

// One read takes at most this many characters, as fgets into a 1024-byte buffer.
constexpr size_t kMaxPieceChars = 1023;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Removes trailing, then leading, spaces, tabs and LFs. The set is ASCII only, so
// multi-byte characters (Shift-JIS trail bytes are 0x40 and above) are never split.
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

// Reads the next piece of a line the way the file was always read: at most 1023
// characters, stopping after the first LF, with CR LF taken as one LF (a text-mode
// read). A lone CR is an ordinary character. Counting CR LF as one character
// matters: a 1022-character line with CR LF is one piece, not a piece ending in CR.
// Like a C string, the piece ends at a NUL byte.
bool ReadPiece(std::FILE* f, std::string& piece) {
  piece.clear();
  while (piece.size() < kMaxPieceChars) {
    int c = std::getc(f);
    if (c == EOF) break;
    if (c == '\r') {
      int next = std::getc(f);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        std::ungetc(next, f);
      }
    }
    piece.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  if (piece.empty()) return false;
  piece.resize(piece.find('\0') == std::string::npos ? piece.size() : piece.find('\0'));
  return true;
}

// A byte string as "%s" prints it: up to its first NUL.
std::string_view AsCString(const std::string& s) {
  return std::string_view(s.c_str());
}

// The line Save writes for an entry, without its line end: "%s = %s", or
// "%s=%s" when the blanks would push a value past the length a read takes in one
// piece (the value's tail would come back as an entry of its own). Nothing when
// the entry cannot be read back as itself at all.
std::optional<std::string> EntryLine(const std::string& key, const std::string& value) {
  const std::string_view k = AsCString(key), v = AsCString(value);
  if (k.empty() || IsBlank(k.front()) || IsBlank(k.back()) ||
      k.find_first_of("=\n") != std::string_view::npos || v.find('\n') != std::string_view::npos) {
    return std::nullopt;
  }
  // An empty value's " = " may spill into the next piece: a piece of blanks and
  // "=" alone is skipped on reading.
  if (v.empty() && k.size() <= kMaxSettingsLineChars) return std::string(k) + " = ";
  std::string line;
  if (k.size() + v.size() + 3 <= kMaxSettingsLineChars) {
    line.append(k).append(" = ").append(v);
  } else if (k.size() + v.size() + 1 <= kMaxSettingsLineChars) {
    line.append(k).append("=").append(v);
  } else {
    return std::nullopt;
  }
  return line;
}

// One line written in text mode: the LF goes out as CR LF.
void AppendLine(std::string& out, const std::string& line) {
  out.append(line).append("\r\n");
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Links followed from the settings file's name to the file itself, at most.
constexpr int kMaxLinks = 8;

// Rewrites the file at `path`, in the open folder `dir`, with `bytes` so that it
// is either the old file or the complete new one, never a truncated mix: the
// text goes to a temporary file beside it (for the user alone), which then
// replaces the old one. The settings file is written at every program exit; a
// crash or a full disk halfway through must not cost the researcher the saved
// settings. The settings hold the subject's name: nothing is written through
// a link, or into a file, of another account's (the working folder may be a
// shared one). A symbolic link of the user's own is followed and the file it
// names replaced, so the link stays. A file we may not write is left as it
// is; a file of the user's in a folder where we may not create one is written
// in place.
bool ReplaceFileIn(int dir, const std::string& path, const std::string& bytes, int links_left) {
  const std::string name = BaseName(path);
  struct stat old_stat {};
  const bool exists = ::fstatat(dir, name.c_str(), &old_stat, AT_SYMLINK_NOFOLLOW) == 0;
  const bool own = exists && old_stat.st_uid == ::geteuid();
  if (exists && S_ISLNK(old_stat.st_mode)) {
    if (!own) {
      std::fprintf(stderr,
                   "tavelin2: %s is a symbolic link of another account's (uid %u): not followed\n",
                   path.c_str(), static_cast<unsigned>(old_stat.st_uid));
      return false;
    }
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlinkat(dir, name.c_str(), target.data(), target.size());
    if (n <= 0 || size_t(n) >= target.size() || links_left == 0) return false;
    target.resize(size_t(n));
    if (target.front() != '/') target = JoinPath(ParentDirectory(path), target);
    const OpenedFolder folder = OpenFolder(ParentDirectory(target));
    return folder.fd.valid() && ReplaceFileIn(folder.fd.get(), target, bytes, links_left - 1);
  }
  if (exists && (!S_ISREG(old_stat.st_mode) || ::faccessat(dir, name.c_str(), W_OK, 0) != 0))
    return false;  // the old file stays
  const std::string temp = name + ".tmp";
  UniqueFd fd = CreateFileIn(dir, temp, O_WRONLY, PrivateAccess());
  if (!fd.valid() && errno == EEXIST) {
    // Left by a crash, or put there: only the name goes, nothing is followed.
    ::unlinkat(dir, temp.c_str(), 0);
    fd = CreateFileIn(dir, temp, O_WRONLY, PrivateAccess());
  }
  if (!fd.valid()) {
    if (!own || (errno != EACCES && errno != EPERM)) return false;
    FileAccess as_it_was = PrivateAccess();
    as_it_was.file_mode = old_stat.st_mode & 07777;
    fd = RewriteFileIn(dir, name, as_it_was);
    return fd.valid() && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
  }
  bool ok = WriteAll(fd.get(), bytes);
  if (ok && own) ok = ::fchmod(fd.get(), old_stat.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd.get()) == 0;
  if (::close(fd.Release()) != 0) ok = false;
  if (!ok || ::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
    ::unlinkat(dir, temp.c_str(), 0);
    return false;
  }
  return true;
}

bool ReplaceFile(const std::string& path, const std::string& bytes) {
  const OpenedFolder folder = OpenFolder(ParentDirectory(path));
  return folder.fd.valid() && ReplaceFileIn(folder.fd.get(), path, bytes, kMaxLinks);
}

// strtol with base 10 where long is 32 bits: leading white space, an optional
// sign, decimal digits; no digits gives 0; out of range saturates. Written out
// so that no locale can change what counts as a blank or a digit.
int32_t ParseLong32(const std::string& text) {
  size_t i = 0;
  auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) magnitude = limit;  // keeps the product far from overflow
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

void SettingsFile::Load(const std::string& base_name) {
  path = base_name + ".ini";
  load_error.clear();
  const auto clear = [this] {
    entry_count = 0;
    keys.clear();
    values.clear();
  };
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (errno != ENOENT) load_error = std::strerror(errno);
    clear();
    return;
  }
  std::string piece;
  while (ReadPiece(f, piece)) {
    const std::string line = Trim(piece);
    if (line.empty()) continue;
    size_t pos = 0;
    const std::string key = Trim(NextToken(line, pos));
    const std::string value = Trim(NextToken(line, pos));
    // A line of nothing but '=' (and blanks between them), such as "=" or "= =",
    // holds neither key nor value: it is skipped. Kept, it would be written back
    // as " = " and come back as "=" at the next start.
    if (key.empty() && value.empty()) continue;
    SetString(key, value);
  }
  // A folder of that name opens, and only its first read fails (EISDIR); half a
  // file read would give a mix of its values and the defaults.
  if (std::ferror(f)) {
    load_error = std::strerror(errno);
    clear();
  }
  std::fclose(f);
}

bool SettingsFile::CanBeReadBack(const std::string& key, const std::string& value) {
  return EntryLine(key, value).has_value();
}

bool SettingsFile::Save() const {
  if (path.empty()) return false;
  std::string text;
  for (int32_t i = 0; i < entry_count; ++i) {
    if (const std::optional<std::string> line = EntryLine(keys[i], values[i])) {
      AppendLine(text, *line);
    } else {
      std::fprintf(stderr, "tavelin2: settings entry \"%s\" left out: it could not be read back\n",
                   keys[i].c_str());
    }
  }
  return ReplaceFile(path, text);
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
  dest = ParseLong32(text);
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
