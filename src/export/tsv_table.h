#pragma once
// A tab-separated table with a header line, as BIDS keeps participants and scans.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TsvTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;  // each as long as the header

  // Index of a column, or nothing.
  std::optional<size_t> Column(std::string_view name) const;
  // Index of a column, appended (with "n/a" in every row) when missing.
  size_t EnsureColumn(const std::string& name);
  std::string Format() const;
};

// Nothing, with *why set, when a row has another number of fields than the header.
std::optional<TsvTable> ParseTsv(std::string_view text, std::string* why);

// A value fit for one TSV cell: tabs, line breaks and other control characters
// become spaces; an empty value becomes "n/a".
std::string TsvCell(std::string_view value);
