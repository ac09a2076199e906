#include "state/text_arguments.h"

std::string FillArguments(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const size_t n = static_cast<size_t>(next - '1');
    if (text[i] == '%' && next >= '1' && next <= '9' && n < args.size()) {
      out += *(args.begin() + n);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
