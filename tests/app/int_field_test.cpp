// Integer fields read the way scanf "%d" reads them.

#include <gtest/gtest.h>

#include "app/int_field.h"

namespace {

TEST(ScanDecimalIntTest, Table) {
  const struct {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"0", 0},
      {"90 s", 90},
      {" -5", -5},
      {"+8", 8},
      {"\t\n\v\f\r 3", 3},
      {"007", 7},
      {"0x1F", 0},
      {"12abc", 12},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"123456789012345678901234567890", std::nullopt},
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"abc", std::nullopt},
      {"-", std::nullopt},
      {"+-1", std::nullopt},
      {"- 1", std::nullopt},
      {"\xef\xbc\x99", std::nullopt},  // full-width 9 is no digit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanDecimalInt(c.text), c.value) << '"' << c.text << '"';
  }
}

}  // namespace
