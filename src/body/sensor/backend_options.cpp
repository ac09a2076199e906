#include "body/sensor/backend_options.h"

#include <charconv>

BackendArgument SplitBackendArgument(const std::string& argument) {
  const size_t eq = argument.find('=');
  if (eq == std::string::npos) return {argument, std::string(), false};
  return {argument.substr(0, eq), argument.substr(eq + 1), true};
}

bool ParseBoundedInteger(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v < low || v > high) return false;
  *value = v;
  return true;
}
