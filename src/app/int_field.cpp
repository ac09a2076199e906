#include "app/int_field.h"

std::optional<int32_t> ScanDecimalInt(std::string_view text) {
  size_t i = 0;
  auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t first_digit = i;
  int64_t magnitude = 0;
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;  // |INT32_MIN|
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) return std::nullopt;
    ++i;
  }
  if (i == first_digit) return std::nullopt;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}
