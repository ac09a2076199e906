#pragma once
// How the program's JSON files give times: milliseconds to a tenth, as the
// time histograms hold them.

#include <cmath>

inline double Tenth(double ms) { return std::round(ms * 10.0) / 10.0; }
