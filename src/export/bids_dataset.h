#pragma once
// A BIDS dataset folder that an export adds to. Everything an export writes is
// first staged in a temporary folder beside it; only when every file is ready
// are they moved in, so a failed export leaves the folder as it was.

#include <map>
#include <optional>
#include <string>
#include <vector>

class BidsDataset {
 public:
  explicit BidsDataset(std::string root) : root_(std::move(root)) {}

  const std::string& root() const { return root_; }
  bool Exists() const;

  // The content of `relative` as the export will leave it: staged, else on disk.
  // Nothing when neither; *error set when it exists but cannot be read.
  std::optional<std::string> Read(const std::string& relative, std::string* error) const;
  // Names in the folder `relative` (on disk and staged), without their folder.
  std::map<std::string, bool> List(const std::string& relative) const;

  void Stage(const std::string& relative, std::string content);
  // A file copied in as it is (a session video can be larger than memory).
  void StageCopy(const std::string& relative, std::string source_path);
  bool HasStaged() const { return !staged_.empty() || !copies_.empty(); }

  // Writes the staged files into the dataset. False with *error when the
  // folder could not be changed; what was already changed is then put back,
  // and *left_changed names what could not be (relative paths; folders end
  // in "/"), empty when the folder is as it was.
  bool Commit(std::string* error, std::vector<std::string>* left_changed);

 private:
  std::string root_;
  std::map<std::string, std::string> staged_;  // relative path -> content
  std::map<std::string, std::string> copies_;  // relative path -> file to copy
};
