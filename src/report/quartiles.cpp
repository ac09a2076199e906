#include "report/quartiles.h"

#include <algorithm>
#include <cmath>

std::optional<double> Quantile(std::vector<double> values, double p) {
  if (values.empty()) return std::nullopt;
  std::sort(values.begin(), values.end());
  const double h = (static_cast<double>(values.size()) - 1) * std::clamp(p, 0.0, 1.0);
  const auto below = static_cast<size_t>(std::floor(h));
  const size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (h - static_cast<double>(below)) * (values[above] - values[below]);
}

std::optional<Quartiles> QuartilesOf(const std::vector<double>& values) {
  if (values.empty()) return std::nullopt;
  return Quartiles{*Quantile(values, 0.25), *Quantile(values, 0.5), *Quantile(values, 0.75)};
}
