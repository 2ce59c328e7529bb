// Date: a point in time as the classic runtime keeps it: days since 30 December 1899,
// the time of day as the fraction (0,5 is noon). Valid years 100 to 9999.
//
// Texts follow the Brazilian conventions: day first ("dd/mm/yyyy", "dd/mm/yyyy hh:mm:ss").
#pragma once

#include "orvalis/export.h"

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvalis {

class ORVALIS_EXPORT Date {
 public:
  constexpr Date() = default;
  constexpr explicit Date(double serial) : serial_(serial) {}
  // Error 5 (invalid procedure call) for a day that does not exist.
  static Date FromYmd(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

  constexpr double serial() const { return serial_; }
  void ToYmd(int& year, int& month, int& day) const;
  void ToHms(int& hour, int& minute, int& second) const;

  constexpr auto operator<=>(const Date&) const = default;

 private:
  double serial_ = 0;
};

// Reads a date as the runtime does under Brazilian conventions. Accepted forms:
// "dd/mm/yyyy", "d/m/yy" (two-digit years: 00-29 are 20xx, 30-99 are 19xx), "yyyy-mm-dd",
// any of these followed by a time "hh:mm" or "hh:mm:ss", "mm/yyyy" (two numbers that
// cannot be day and month are month and year: the first day of that month), separators
// '/', '-' or '.'. Returns nothing when the text is not a date.
ORVALIS_EXPORT std::optional<Date> ParseDate(std::string_view text);

// Days from `from` to `to` counted as midnights passed (23:00 to 01:00 of the next day
// is one day), negative when `to` is earlier.
ORVALIS_EXPORT int32_t DaysBetween(Date from, Date to);

// "dd/mm/yyyy"; with " hh:mm:ss" behind it when the time is not midnight; a date of
// serial 0 with a time gives the time alone, as the runtime does.
ORVALIS_EXPORT std::string FormatDate(Date date);

}  // namespace orvalis
