#include "orvalis/currency.h"

#include <limits>

#include "component/rounding.h"
#include "orvalis/error.h"

namespace orvalis {

namespace {

constexpr int64_t kScale = 10000;
constexpr int64_t kMaxRaw = std::numeric_limits<int64_t>::max();
constexpr int64_t kMinRaw = std::numeric_limits<int64_t>::min();

[[noreturn]] void ThrowOverflow() { throw MakeError(ErrorCode::kOverflow); }

}  // namespace

Currency Currency::FromUnits(int64_t units) {
  if (units > kMaxRaw / kScale || units < kMinRaw / kScale) ThrowOverflow();
  return Currency(units * kScale);
}

Currency Currency::FromDouble(double value) {
  // The scaled value is rounded as a double: the runtime's conversion, which keeps
  // 0,00125 at 0,0012 (the product is exactly 12,5).
  const double scaled = RoundHalfEven(value * static_cast<double>(kScale));
  constexpr double kLimit = 9223372036854775808.0;               // 2^63
  if (!(scaled >= -kLimit && scaled < kLimit)) ThrowOverflow();  // also NaN
  return Currency(static_cast<int64_t>(scaled));
}

double Currency::ToDouble() const { return static_cast<double>(raw_) / kScale; }

Currency Currency::operator+(Currency other) const {
  if ((other.raw_ > 0 && raw_ > kMaxRaw - other.raw_) ||
      (other.raw_ < 0 && raw_ < kMinRaw - other.raw_)) {
    ThrowOverflow();
  }
  return Currency(raw_ + other.raw_);
}

Currency Currency::operator-(Currency other) const {
  if ((other.raw_ < 0 && raw_ > kMaxRaw + other.raw_) ||
      (other.raw_ > 0 && raw_ < kMinRaw + other.raw_)) {
    ThrowOverflow();
  }
  return Currency(raw_ - other.raw_);
}

Currency Currency::operator-() const {
  if (raw_ == kMinRaw) ThrowOverflow();
  return Currency(-raw_);
}

}  // namespace orvalis
