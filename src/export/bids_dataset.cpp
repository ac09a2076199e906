#include "export/bids_dataset.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "results/regular_file.h"

namespace fs = std::filesystem;

bool BidsDataset::Exists() const {
  std::error_code ec;
  return fs::exists(root_, ec);
}

std::optional<std::string> BidsDataset::Read(const std::string& relative,
                                             std::string* error) const {
  if (const auto it = staged_.find(relative); it != staged_.end()) return it->second;
  std::string bytes;
  if (ReadRegularFile((fs::path(root_) / relative).string(), &bytes, error) != FileRead::kRead)
    return std::nullopt;
  return bytes;
}

std::map<std::string, bool> BidsDataset::List(const std::string& relative) const {
  std::map<std::string, bool> names;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(root_) / relative, ec), end; !ec && it != end;
       it.increment(ec)) {
    names[it->path().filename().string()] = true;
  }
  const std::string prefix = relative.empty() ? std::string() : relative + "/";
  for (const auto& [path, content] : staged_) {
    if (path.starts_with(prefix) && path.find('/', prefix.size()) == std::string::npos) {
      names[path.substr(prefix.size())] = true;
    }
  }
  return names;
}

void BidsDataset::Stage(const std::string& relative, std::string content) {
  staged_[relative] = std::move(content);
}

namespace {

bool WriteFile(const fs::path& path, const std::string& content, std::string* error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (ec || !out) {
    *error = path.string() + ": cannot be written: " + (ec ? ec.message() : std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace

bool BidsDataset::Commit(std::string* error) {
  const fs::path root = fs::absolute(fs::path(root_)).lexically_normal();
  const fs::path clean = root.has_filename() ? root : root.parent_path();
  std::string pattern =
      (clean.parent_path() / ("." + clean.filename().string() + ".export-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot create a temporary folder beside " + root_ + ": " + std::strerror(errno);
    return false;
  }
  const fs::path temp = pattern;
  std::error_code ec;
  const auto fail = [&](const std::string& why) {
    *error = why;
    fs::remove_all(temp, ec);
    return false;
  };
  for (const auto& [relative, content] : staged_) {
    if (!WriteFile(temp / relative, content, error)) return fail(*error);
  }
  if (!fs::exists(clean, ec)) {
    // A new dataset appears whole, in one rename.
    fs::rename(temp, clean, ec);
    if (ec) return fail("cannot create " + clean.string() + ": " + ec.message());
    return true;
  }
  if (!fs::is_directory(clean, ec)) return fail(clean.string() + " exists and is not a folder");
  // Make every folder first, so that a missing permission shows before any file moves.
  for (const auto& [relative, content] : staged_) {
    const fs::path dir = (clean / relative).parent_path();
    fs::create_directories(dir, ec);
    if (ec || ::access(dir.c_str(), W_OK) != 0) {
      return fail("cannot write into " + dir.string() + ": " +
                  (ec ? ec.message() : std::string(std::strerror(errno))));
    }
  }
  for (const auto& [relative, content] : staged_) {
    fs::rename(temp / relative, clean / relative, ec);
    if (ec)
      return fail("cannot move " + relative + " into " + clean.string() + ": " + ec.message());
  }
  fs::remove_all(temp, ec);
  return true;
}
