#pragma once
// Median and quartiles as R's quantile() gives them by default (type 7: linear
// between the two nearest order statistics), so that figures in the summary
// and the report match what a researcher computes from the files.

#include <optional>
#include <vector>

struct Quartiles {
  double q1 = 0;
  double median = 0;
  double q3 = 0;
  double iqr() const { return q3 - q1; }
};

// The p-quantile (0 <= p <= 1) of `values`; nothing when there are none.
std::optional<double> Quantile(std::vector<double> values, double p);
std::optional<Quartiles> QuartilesOf(const std::vector<double>& values);
