#include "export/tsv_table.h"

std::optional<size_t> TsvTable::Column(std::string_view name) const {
  for (size_t i = 0; i < header.size(); ++i) {
    if (header[i] == name) return i;
  }
  return std::nullopt;
}

size_t TsvTable::EnsureColumn(const std::string& name) {
  if (const auto i = Column(name)) return *i;
  header.push_back(name);
  for (auto& row : rows) row.push_back("n/a");
  return header.size() - 1;
}

std::string TsvTable::Format() const {
  std::string out;
  const auto line = [&out](const std::vector<std::string>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out += '\t';
      out += cells[i];
    }
    out += '\n';
  };
  line(header);
  for (const auto& row : rows) line(row);
  return out;
}

std::optional<TsvTable> ParseTsv(std::string_view text, std::string* why) {
  TsvTable table;
  size_t line_number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
      const size_t tab = line.find('\t', start);
      cells.emplace_back(line.substr(start, tab - start));
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    if (table.header.empty()) {
      table.header = std::move(cells);
    } else if (cells.size() != table.header.size()) {
      *why = "line " + std::to_string(line_number) + " has " + std::to_string(cells.size()) +
             " fields, the header " + std::to_string(table.header.size());
      return std::nullopt;
    } else {
      table.rows.push_back(std::move(cells));
    }
  }
  return table;
}

std::string TsvCell(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return out.empty() ? std::string("n/a") : out;
}
