#include "export/bids_participants.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

constexpr const char* kIdColumn = "participant_id";
constexpr const char* kOriginalColumn = "original_subject";

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool IsBidsLabel(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsAsciiAlnum(c)) return false;
  }
  return true;
}

std::string BidsLabelCandidate(std::string_view subject_utf8) {
  std::string label;
  for (char c : subject_utf8) {
    if (IsAsciiAlnum(c)) label += c;
  }
  if (!label.empty()) return label;
  uint32_t hash = 2166136261u;  // FNV-1a: the same subject always gets the same label
  for (char c : subject_utf8) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "x%08x", hash);
  return buffer;
}

std::optional<ParticipantRegistry> ParticipantRegistry::Load(const std::optional<std::string>& tsv,
                                                             std::string* why) {
  ParticipantRegistry registry;
  if (tsv) {
    auto table = ParseTsv(*tsv, why);
    if (!table) return std::nullopt;
    registry.table_ = std::move(*table);
    if (!registry.table_.Column(kIdColumn)) {
      *why = "it has no participant_id column";
      return std::nullopt;
    }
  } else {
    registry.table_.header = {kIdColumn};
  }
  registry.table_.EnsureColumn(kOriginalColumn);
  return registry;
}

std::string ParticipantRegistry::LabelFor(const std::string& subject_utf8) {
  const size_t id = *table_.Column(kIdColumn);
  const size_t original = *table_.Column(kOriginalColumn);
  const std::string cell = TsvCell(subject_utf8);
  const std::string candidate = BidsLabelCandidate(subject_utf8);
  for (auto& row : table_.rows) {
    if (row[original] == cell) return row[id].substr(4);
    // A participant entered by hand under the subject's own, already valid, label.
    if (row[original] == "n/a" && row[id] == "sub-" + candidate && candidate == subject_utf8) {
      row[original] = cell;
      return candidate;
    }
  }
  const auto taken = [&](const std::string& label) {
    for (const auto& row : table_.rows) {
      if (row[id] == "sub-" + label) return true;
    }
    return false;
  };
  std::string label = candidate;
  for (int n = 2; taken(label); ++n) label = candidate + "dup" + std::to_string(n);
  std::vector<std::string> row(table_.header.size(), "n/a");
  row[id] = "sub-" + label;
  row[original] = cell;
  table_.rows.push_back(std::move(row));
  return label;
}

std::optional<std::string> ParticipantsJson(const std::optional<std::string>& existing) {
  nlohmann::ordered_json j = nlohmann::ordered_json::object();
  if (existing) {
    j = nlohmann::ordered_json::parse(*existing, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return std::nullopt;
  }
  if (!j.contains(kOriginalColumn)) {
    j[kOriginalColumn] = {
        {"Description",
         "The subject ID as typed in the experiment program, from which participant_id was made "
         "(BIDS labels allow only letters and digits). Subjects written in Shift-JIS by the "
         "Windows version are given in UTF-8."}};
  }
  return j.dump(2) + "\n";
}
