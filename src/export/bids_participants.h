#pragma once
// Subject labels for BIDS and the participants table that keeps, for every
// label, the subject as the experimenter typed it.

#include <optional>
#include <string>
#include <string_view>

#include "export/tsv_table.h"

// BIDS labels hold ASCII letters and digits only.
bool IsBidsLabel(std::string_view text);

// The subject's ASCII letters and digits ("SBJ-01" gives "SBJ01"); when none
// are left (a Japanese name, say), "x" and eight hex digits of a hash of it.
std::string BidsLabelCandidate(std::string_view subject_utf8);

class ParticipantRegistry {
 public:
  // `tsv`: the dataset's participants.tsv, nothing when it has none.
  static std::optional<ParticipantRegistry> Load(const std::optional<std::string>& tsv,
                                                 std::string* why);

  // The label of `subject_utf8`: its label from the table, else a new one that
  // no other subject has ("A1", else "A1dup2", "A1dup3", ...).
  std::string LabelFor(const std::string& subject_utf8);
  std::string Tsv() const { return table_.Format(); }

 private:
  TsvTable table_;
};

// participants.json with the original_subject column described; `existing`
// is the dataset's file, if any (its other keys stay). Nothing when it is not
// a JSON object.
std::optional<std::string> ParticipantsJson(const std::optional<std::string>& existing);
