#pragma once
// The text of the trial record file and the body stream file: header lines and
// rows, byte for byte. Lines end with CR LF; fields are separated by commas and
// never quoted.

#include <span>
#include <string>
#include <string_view>

#include "state/records.h"

extern const std::string_view kTrialFileHeader;
extern const std::string_view kBodyFileHeader;

// One row per record: subject, the run's start date and time, the record's fields.
// The subject is written as a C string would print: up to its first NUL byte.
void AppendTrialRows(std::string& out, std::string_view subject, const LocalDateTime& start,
                     std::span<const TrialRecord> records);

// One row per sample: its 41 integers.
void AppendBodyRows(std::string& out, std::span<const BodySample> samples);
