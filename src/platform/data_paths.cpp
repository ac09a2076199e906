#include "platform/data_paths.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

DataFile FindDataFileIn(const std::string& relative_path, const std::string& installed_data_dir) {
  if (IsFile(relative_path)) return {relative_path, true};
  if (!installed_data_dir.empty()) {
    const fs::path installed = fs::path(installed_data_dir) / relative_path;
    if (IsFile(installed)) return {installed.string(), true};
  }
  return {relative_path, false};
}

DataFile FindDataFile(const std::string& relative_path) {
  return FindDataFileIn(relative_path, InstalledDataDir());
}

std::vector<std::string> MissingDataFiles(std::span<const char* const> relative_paths) {
  const std::string installed = InstalledDataDir();
  std::vector<std::string> missing;
  for (const char* name : relative_paths) {
    if (!FindDataFileIn(name, installed).found) missing.emplace_back(name);
  }
  return missing;
}

std::string InstalledCopiesNote(std::span<const char* const> relative_paths,
                                const std::string& installed_data_dir) {
  std::string names, paths;
  for (const char* name : relative_paths) {
    const DataFile f = FindDataFileIn(name, installed_data_dir);
    if (!f.found || f.path == name) continue;
    names += (names.empty() ? "" : ", ") + std::string(name);
    paths += (paths.empty() ? "" : ", ") + f.path;
  }
  if (names.empty()) return names;
  return "installed copies used (no " + names + " in the working directory): " + paths;
}

std::string InstallPrefixOf(const std::string& executable_path) {
  const fs::path bin = fs::path(executable_path).parent_path();
  if (bin.filename() != "bin") return "";
  const fs::path prefix = bin.parent_path();
  std::error_code ec;
  if (!fs::is_directory(prefix / "share/tavelin2", ec)) return "";
  return prefix.string();
}

std::string InstallPrefix() {
  // Found once: the executable does not move while it runs.
  static const std::string prefix = [] {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : InstallPrefixOf(self.string());
  }();
  return prefix;
}

std::string InstalledDataDir() {
  const std::string prefix = InstallPrefix();
  return prefix.empty() ? prefix : prefix + "/share/tavelin2";
}

std::string InstalledLibDir() {
  const std::string prefix = InstallPrefix();
  return prefix.empty() ? prefix : prefix + "/lib/tavelin2";
}
