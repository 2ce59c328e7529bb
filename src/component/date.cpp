#include "orvalis/date.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

#include "component/text_scan.h"
#include "orvalis/error.h"

namespace orvalis {

namespace {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

constexpr int kSecondsPerDay = 86400;
constexpr int kMinYear = 100;
constexpr int kMaxYear = 9999;

sys_days Epoch() {
  return sys_days{std::chrono::year{1899} / std::chrono::December / std::chrono::day{30}};
}

// A serial as a calendar day (days since the epoch) and a second of that day, rounded to
// the nearest second. Before the epoch the serial's whole part still names the day and
// its fraction counts forward from that day's midnight (-1,25 is 29/12/1899 06:00).
struct DayAndTime {
  int64_t day;
  int32_t second;
};

DayAndTime Split(double serial) {
  const double whole = std::trunc(serial);
  DayAndTime out{static_cast<int64_t>(whole),
                 static_cast<int32_t>(std::llround(std::fabs(serial - whole) * kSecondsPerDay))};
  if (out.second == kSecondsPerDay) {
    out.second = 0;
    ++out.day;
  }
  return out;
}

double Join(int64_t day, int32_t second) {
  const double fraction = static_cast<double>(second) / kSecondsPerDay;
  return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

struct CalendarFields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The date of those fields; nothing when a field is out of its range or the day does not
// exist in that month.
std::optional<Date> MakeDate(const CalendarFields& f) {
  if (f.year < kMinYear || f.year > kMaxYear || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > 31 || f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 ||
      f.second > 59) {
    return std::nullopt;
  }
  const year_month_day ymd{std::chrono::year{f.year},
                           std::chrono::month{static_cast<unsigned>(f.month)},
                           std::chrono::day{static_cast<unsigned>(f.day)}};
  if (!ymd.ok()) return std::nullopt;
  const int64_t day = (sys_days{ymd} - Epoch()).count();
  return Date(Join(day, f.hour * 3600 + f.minute * 60 + f.second));
}

// ---- Reading texts --------------------------------------------------------------------

// Splits "12/3/2004" into its digit runs; nothing unless every run has 1 to `max_digits`
// digits and runs are separated by exactly one character of `separators`.
std::optional<std::vector<std::string_view>> DigitRuns(std::string_view text,
                                                       std::string_view separators,
                                                       size_t max_digits) {
  std::vector<std::string_view> runs;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && IsDigit(text[i])) continue;
    if (i < text.size() && separators.find(text[i]) == std::string_view::npos) {
      return std::nullopt;
    }
    const size_t length = i - start;
    if (length == 0 || length > max_digits) return std::nullopt;
    runs.push_back(text.substr(start, length));
    start = i + 1;
  }
  return runs;
}

int Value(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// A year as written: one or two digits use the window 30-99 -> 19xx, 00-29 -> 20xx.
int FullYear(std::string_view digits) {
  const int value = Value(digits);
  if (digits.size() > 2) return value;
  return value < 30 ? 2000 + value : 1900 + value;
}

int CurrentYear() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_year + 1900;
}

// Day, month and year of a date part; false when it has no date form.
bool ReadDayPart(std::string_view text, CalendarFields& f) {
  const auto runs = DigitRuns(text, "/-.", 4);
  if (!runs) return false;
  const auto& r = *runs;
  if (r.size() == 3 && r[0].size() == 4) {  // yyyy-mm-dd
    f.year = Value(r[0]), f.month = Value(r[1]), f.day = Value(r[2]);
    return r[1].size() <= 2 && r[2].size() <= 2;
  }
  if (r.size() == 3) {  // dd/mm/yy or dd/mm/yyyy
    f.day = Value(r[0]), f.month = Value(r[1]), f.year = FullYear(r[2]);
    return r[0].size() <= 2 && r[1].size() <= 2;
  }
  if (r.size() != 2) return false;
  if (r[0].size() == 4) {  // yyyy/mm: the month's first day
    f.year = Value(r[0]), f.month = Value(r[1]), f.day = 1;
    return r[1].size() <= 2;
  }
  if (r[1].size() == 4 || Value(r[1]) > 31) {  // mm/yyyy: cannot be day and month
    f.month = Value(r[0]), f.year = FullYear(r[1]), f.day = 1;
    return r[0].size() <= 2;
  }
  f.day = Value(r[0]), f.month = Value(r[1]), f.year = CurrentYear();  // dd/mm
  return r[0].size() <= 2 && r[1].size() <= 2;
}

// Hour, minute and optional second of "hh:mm[:ss]".
bool ReadTimePart(std::string_view text, CalendarFields& f) {
  const auto runs = DigitRuns(text, ":", 2);
  if (!runs || runs->size() < 2 || runs->size() > 3) return false;
  f.hour = Value((*runs)[0]);
  f.minute = Value((*runs)[1]);
  f.second = runs->size() == 3 ? Value((*runs)[2]) : 0;
  return true;
}

}  // namespace

Date Date::FromYmd(int year, int month, int day, int hour, int minute, int second) {
  const auto date = MakeDate({year, month, day, hour, minute, second});
  if (!date) throw MakeError(ErrorCode::kInvalidProcedureCall);
  return *date;
}

void Date::ToYmd(int& year, int& month, int& day) const {
  const year_month_day ymd{Epoch() + days{Split(serial_).day}};
  year = static_cast<int>(ymd.year());
  month = static_cast<int>(static_cast<unsigned>(ymd.month()));
  day = static_cast<int>(static_cast<unsigned>(ymd.day()));
}

void Date::ToHms(int& hour, int& minute, int& second) const {
  const int32_t seconds = Split(serial_).second;
  hour = seconds / 3600;
  minute = seconds / 60 % 60;
  second = seconds % 60;
}

std::optional<Date> ParseDate(std::string_view text) {
  text = TrimBlanks(text);
  const size_t blank = text.find_first_of(" \t");
  const std::string_view first = text.substr(0, blank);
  const std::string_view rest =
      blank == std::string_view::npos ? std::string_view{} : TrimBlanks(text.substr(blank));

  CalendarFields fields{1899, 12, 30};
  if (rest.empty() && first.find(':') != std::string_view::npos) {  // a time alone
    if (!ReadTimePart(first, fields)) return std::nullopt;
  } else if (!ReadDayPart(first, fields) || (!rest.empty() && !ReadTimePart(rest, fields))) {
    return std::nullopt;
  }
  return MakeDate(fields);
}

int32_t DaysBetween(Date from, Date to) {
  return static_cast<int32_t>(Split(to.serial()).day - Split(from.serial()).day);
}

std::string FormatDate(Date date) {
  const DayAndTime parts = Split(date.serial());
  int year, month, day, hour, minute, second;
  date.ToYmd(year, month, day);
  date.ToHms(hour, minute, second);
  char buffer[64];
  if (parts.day == 0) {
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", hour, minute, second);
  } else if (parts.second == 0) {
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", day, month, year);
  } else {
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", day, month, year, hour,
                  minute, second);
  }
  return buffer;
}

}  // namespace orvalis
