// Currency: an exact money amount, a signed 64-bit count of ten-thousandths.
//
// Range ±922.337.203.685.477,5807. Arithmetic is exact; a result outside the range
// raises Error 6 (Overflow). No value ever passes through binary floating point unless
// the caller converts from a double explicitly (FromDouble rounds half to even at the
// fourth decimal).
#pragma once

#include "orvalis/export.h"

#include <compare>
#include <cstdint>

namespace orvalis {

class ORVALIS_EXPORT Currency {
 public:
  constexpr Currency() = default;
  static constexpr Currency FromRaw(int64_t ten_thousandths) { return Currency(ten_thousandths); }
  // Whole units (12 gives 12,0000). Raises Error 6 outside the range.
  static Currency FromUnits(int64_t units);
  // Rounds half to even at the fourth decimal; Error 6 outside the range or for NaN.
  static Currency FromDouble(double value);

  constexpr int64_t raw() const { return raw_; }
  double ToDouble() const;

  Currency operator+(Currency other) const;  // Error 6 on overflow
  Currency operator-(Currency other) const;
  Currency operator-() const;
  Currency& operator+=(Currency other) { return *this = *this + other; }
  Currency& operator-=(Currency other) { return *this = *this - other; }

  constexpr auto operator<=>(const Currency&) const = default;

 private:
  constexpr explicit Currency(int64_t raw) : raw_(raw) {}
  int64_t raw_ = 0;
};

}  // namespace orvalis
