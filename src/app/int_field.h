#pragma once
// Reading an integer typed into a dialog field, the way scanf "%d" reads it:
// leading white space skipped, an optional sign, then the digits up to the first
// other character; whatever follows is ignored.

#include <cstdint>
#include <optional>
#include <string_view>

// Characters of a field's text that are looked at.
inline constexpr int kIntFieldChars = 63;

// The integer at the start of `text`, or none when there is no digit after the
// white space and sign, or when the number does not fit in 32 bits (a value
// that would silently wrap is refused rather than used).
std::optional<int32_t> ScanDecimalInt(std::string_view text);
