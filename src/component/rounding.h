// Rounding shared by the runtime conversions.
#pragma once

#include <cmath>

namespace orvalis {

// The nearest whole number, ties going to the even neighbour (banker's rounding, as the
// runtime rounds when it converts to an integer or to Currency). NaN stays NaN.
inline double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double rest = value - floor;  // exact for every finite double
  if (rest > 0.5) return floor + 1;
  if (rest < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

}  // namespace orvalis
