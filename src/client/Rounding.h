#pragma once

#include <climits>
#include <cmath>

namespace velmora {

// Nearest whole number, an exact half going to the even neighbour.
inline double RoundHalfEven(double value) {
  return std::nearbyint(value);  // the default rounding mode is to nearest, ties to even
}

// A value as a signed 32-bit number, held at the nearer bound when it lies
// outside (NaN gives 0), so that no conversion overflows.
inline int ClampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(value);
}

}  // namespace velmora
