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

void BidsDataset::StageCopy(const std::string& relative, std::string source_path) {
  copies_[relative] = std::move(source_path);
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

// Moves staged files into an existing dataset so that it can be put back as
// it was: each file replaced is kept first as a hard link in the staging
// folder, and each folder made is noted.
class DatasetChange {
 public:
  DatasetChange(fs::path dataset, fs::path staging)
      : dataset_(std::move(dataset)), staging_(std::move(staging)) {}

  bool Apply(const std::vector<std::string>& staged, std::string* error) {
    std::error_code ec;
    if (!fs::is_directory(dataset_, ec)) {
      *error = dataset_.string() + " exists and is not a folder";
      return false;
    }
    // Every folder first, so that a missing permission shows before any file moves.
    for (const std::string& relative : staged) {
      if (!MakeFolders(fs::path(relative).parent_path(), error)) return false;
    }
    const fs::path kept = staging_ / ".replaced";
    size_t n = 0;
    for (const std::string& relative : staged) {
      const fs::path target = dataset_ / relative;
      Move move{relative, {}};
      if (fs::exists(fs::symlink_status(target, ec))) {
        move.kept = kept / std::to_string(n++);
        fs::create_directories(kept, ec);
        if (ec || ::link(target.c_str(), move.kept.c_str()) != 0) {
          *error = "cannot move " + relative + " into " + dataset_.string() +
                   ": its present copy cannot be kept to put back: " +
                   (ec ? ec.message() : std::string(std::strerror(errno)));
          return false;
        }
      }
      fs::rename(staging_ / relative, target, ec);
      if (ec) {
        *error = "cannot move " + relative + " into " + dataset_.string() + ": " + ec.message();
        return false;
      }
      moves_.push_back(std::move(move));
    }
    return true;
  }

  // Puts back what Apply changed, last first. Returns what could not be put
  // back, relative to the dataset.
  std::vector<std::string> Undo() {
    std::vector<std::string> left;
    std::error_code ec;
    for (auto it = moves_.rbegin(); it != moves_.rend(); ++it) {
      const fs::path target = dataset_ / it->relative;
      if (it->kept.empty()) {
        fs::remove(target, ec);
      } else {
        fs::rename(it->kept, target, ec);
      }
      if (ec) left.push_back(it->relative);
    }
    for (auto it = folders_made_.rbegin(); it != folders_made_.rend(); ++it) {
      fs::remove(dataset_ / *it, ec);  // only when empty
      if (ec) left.push_back(it->string() + "/");
    }
    moves_.clear();
    folders_made_.clear();
    return left;
  }

 private:
  struct Move {
    std::string relative;
    fs::path kept;  // the replaced file's copy; empty for a new file
  };

  bool MakeFolders(const fs::path& relative, std::string* error) {
    fs::path sub;
    for (const fs::path& part : relative) {
      sub /= part;
      const fs::path dir = dataset_ / sub;
      std::error_code ec;
      if (!fs::exists(dir, ec)) {
        if (!fs::create_directory(dir, ec) || ec) {
          *error = "cannot create " + dir.string() + ": " + ec.message();
          return false;
        }
        folders_made_.push_back(sub);
      }
    }
    const fs::path dir = dataset_ / relative;
    if (::access(dir.c_str(), W_OK) != 0) {
      *error = "cannot write into " + dir.string() + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }

  fs::path dataset_, staging_;
  std::vector<Move> moves_;
  std::vector<fs::path> folders_made_;
};

}  // namespace

bool BidsDataset::Commit(std::string* error, std::vector<std::string>* left_changed) {
  left_changed->clear();
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
  for (const auto& [relative, content] : staged_) {
    if (!WriteFile(temp / relative, content, error)) {
      fs::remove_all(temp, ec);
      return false;
    }
  }
  std::vector<std::string> paths;
  for (const auto& [relative, content] : staged_) paths.push_back(relative);
  for (const auto& [relative, source] : copies_) {
    fs::create_directories((temp / relative).parent_path(), ec);
    if (ec || !fs::copy_file(source, temp / relative, ec)) {
      *error = source + ": cannot be copied into the dataset: " + ec.message();
      fs::remove_all(temp, ec);
      return false;
    }
    paths.push_back(relative);
  }
  if (!fs::exists(clean, ec)) {
    // A new dataset appears whole, in one rename.
    fs::rename(temp, clean, ec);
    if (!ec) return true;
    *error = "cannot create " + clean.string() + ": " + ec.message();
    fs::remove_all(temp, ec);
    return false;
  }
  DatasetChange change(clean, temp);
  const bool done = change.Apply(paths, error);
  if (!done) *left_changed = change.Undo();
  fs::remove_all(temp, ec);
  return done;
}
