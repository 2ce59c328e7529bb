#include "engine/sql_functions.h"
#include "component/utf8.h"

#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "engine/stored_value.h"
#include "orvalis/date.h"
#include "orvalis/error.h"
#include "orvalis/variant.h"

namespace orvalis::engine {

namespace {

// ---- UTF-8 ---------------------------------------------------------------------------------

// First code point of a byte that does not start a valid sequence: kept apart from every
// real character, so the byte still matches itself.
constexpr char32_t kInvalidByteBase = 0xDC00;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Reads the code point at p and advances p past it. A malformed sequence reads one byte.
char32_t NextCodePoint(const char*& p, const char* end) {
  const auto lead = static_cast<unsigned char>(*p++);
  if (lead < 0x80) return lead;
  int extra;
  char32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    code = lead & 0x07;
  } else {
    return kInvalidByteBase + lead;
  }
  if (end - p < extra) return kInvalidByteBase + lead;
  for (int i = 0; i < extra; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(p[i]))) return kInvalidByteBase + lead;
    code = (code << 6) | (static_cast<unsigned char>(p[i]) & 0x3F);
  }
  p += extra;
  return code;
}

// ASCII capitals and the Latin-1 capitals U+00C0..U+00DE (but U+00D7 '×') to lower case.
char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
}

char32_t UpperCodePoint(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  return (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 0x20 : c;
}

// The text with every code point mapped; unchanged sequences (malformed ones included)
// are copied as they are.
template <typename Map>
std::string MapCodePoints(std::string_view text, Map map) {
  std::string out;
  out.reserve(text.size());
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* start = p;
    const char32_t c = NextCodePoint(p, end);
    const char32_t mapped = map(c);
    if (mapped == c) {
      out.append(start, p);
    } else {
      AppendUtf8(out, mapped);
    }
  }
  return out;
}

size_t CountCodePoints(std::string_view text) { return CountCharacters(text); }

// The bytes of the first `n` code points of text.
std::string_view FirstCodePoints(std::string_view text, int64_t n) {
  const char* p = text.data();
  const char* end = p + text.size();
  for (; n > 0 && p < end; --n) NextCodePoint(p, end);
  return text.substr(0, p - text.data());
}

// ---- Like ---------------------------------------------------------------------------------

// A pattern byte that stands for itself and is ASCII (a multi-byte character's bytes and
// the wildcards are not).
bool IsPlainAscii(char c) {
  return static_cast<unsigned char>(c) < 0x80 && c != '*' && c != '?' && c != '#' && c != '[';
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c; }

// Matches one pattern element at p (advancing past it) against the folded code point c.
bool MatchElement(const char*& p, const char* end, char32_t c) {
  if (*p == '?') {
    ++p;
    return true;
  }
  if (*p == '#') {
    ++p;
    return c >= '0' && c <= '9';
  }
  if (*p == '[') {
    const char* close = p + 1;
    while (close < end && *close != ']') ++close;
    if (close < end) {
      const char* q = p + 1;
      const bool negate = q < close && *q == '!';
      if (negate) ++q;
      bool hit = false;
      while (q < close) {
        const char32_t low = FoldCodePoint(NextCodePoint(q, close));
        if (q + 1 < close && *q == '-') {
          ++q;
          const char32_t high = FoldCodePoint(NextCodePoint(q, close));
          hit = hit || (low <= c && c <= high);
        } else {
          hit = hit || low == c;
        }
      }
      p = close + 1;
      return hit != negate;
    }
    // An unclosed '[' matches itself.
  }
  return FoldCodePoint(NextCodePoint(p, end)) == c;
}

// ---- argument and result helpers ------------------------------------------------------------

// Reports an error of the engine's catalog from inside a function.
void ResultError(sqlite3_context* ctx, const Error& error) {
  const std::string message = "orv:" + std::to_string(error.number()) + ":" + error.description();
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

void ResultError(sqlite3_context* ctx, ErrorCode code) { ResultError(ctx, MakeError(code)); }

// An empty view may hold no pointer, which SQLite would read as NULL.
void ResultText(sqlite3_context* ctx, std::string_view text) {
  sqlite3_result_text(ctx, text.empty() ? "" : text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

// The text form of an argument, the runtime's for numbers (1,5; 38412 for 38412.0),
// without allocating. Null reads as nothing.
class ArgumentText {
 public:
  explicit ArgumentText(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
      case SQLITE_NULL:
        null_ = true;
        break;
      case SQLITE_INTEGER: {
        const auto written =
            std::to_chars(buffer_, buffer_ + sizeof buffer_, sqlite3_value_int64(value));
        text_ = std::string_view(buffer_, written.ptr - buffer_);
        break;
      }
      case SQLITE_FLOAT:
        FormatReal(sqlite3_value_double(value));
        break;
      default:
        text_ = std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                 sqlite3_value_bytes(value));
        break;
    }
  }

  ArgumentText(const ArgumentText&) = delete;  // the text may point into buffer_
  ArgumentText& operator=(const ArgumentText&) = delete;

  bool null() const { return null_; }
  std::string_view text() const { return text_; }

 private:
  // Fifteen significant digits, comma as the decimal separator, as the runtime prints.
  void FormatReal(double real) {
    constexpr int kSignificantDigits = 15;
    if (real == 0) real = 0;  // no "-0"
    const auto written = std::to_chars(buffer_, buffer_ + sizeof buffer_, real,
                                       std::chars_format::general, kSignificantDigits);
    for (char* c = buffer_; c < written.ptr; ++c) {
      if (*c == '.') *c = ',';
      if (*c == 'e') *c = 'E';
    }
    text_ = std::string_view(buffer_, written.ptr - buffer_);
  }

  char buffer_[40];
  std::string_view text_;
  bool null_ = false;
};

// A real rounded half to even; Error 6 beyond 64 bits.
std::optional<int64_t> RoundedInteger(sqlite3_context* ctx, double real) {
  constexpr double kLimit = 9.2e18;
  if (!(std::fabs(real) < kLimit)) {
    ResultError(ctx, ErrorCode::kOverflow);
    return std::nullopt;
  }
  return static_cast<int64_t>(std::nearbyint(real));
}

// A whole-number argument (a count or a position), rounded as the runtime rounds. Null
// raises 94; a text that is no number raises 13.
std::optional<int64_t> IntegerArgument(sqlite3_context* ctx, sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      ResultError(ctx, ErrorCode::kInvalidUseOfNull);
      return std::nullopt;
    case SQLITE_INTEGER:
      return sqlite3_value_int64(value);
    case SQLITE_FLOAT:
      return RoundedInteger(ctx, sqlite3_value_double(value));
    default: {
      const auto number = ParseNumber(ArgumentText(value).text());
      if (!number) {
        ResultError(ctx, ErrorCode::kTypeMismatch);
        return std::nullopt;
      }
      return RoundedInteger(ctx, *number);
    }
  }
}

// A count (>= 0) or, with `minimum` 1, a position; Error 5 below the minimum.
std::optional<int64_t> CountArgument(sqlite3_context* ctx, sqlite3_value* value,
                                     int64_t minimum = 0) {
  const auto count = IntegerArgument(ctx, value);
  if (count && *count < minimum) {
    ResultError(ctx, ErrorCode::kInvalidProcedureCall);
    return std::nullopt;
  }
  return count;
}

// ---- scalar functions ---------------------------------------------------------------------

// A Like pattern of plain characters, perhaps followed by '*': LikeMatch then compares
// bytes, letter case ignored, over the whole value or (`prefix`) its start.
struct PlainPattern {
  bool plain = false;  // false: a pattern of another form
  bool prefix = false;
  std::string text;  // without the '*'s at its end
};

PlainPattern PlainPatternOf(std::string_view pattern) {
  size_t end = pattern.size();
  while (end > 0 && pattern[end - 1] == '*') --end;
  PlainPattern plain{true, end < pattern.size(), std::string(pattern.substr(0, end))};
  for (char c : plain.text) plain.plain = plain.plain && IsPlainAscii(c);
  return plain;
}

bool MatchesPlain(std::string_view value, const PlainPattern& pattern) {
  const std::string& text = pattern.text;
  if (pattern.prefix ? value.size() < text.size() : value.size() != text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(value[i])) return false;
  }
  return true;
}

void LikeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  // A pattern that stays the same from row to row (a literal) is read once: SQLite keeps
  // what it was found to be beside the statement while it runs.
  const auto* known = static_cast<const PlainPattern*>(sqlite3_get_auxdata(ctx, 0));
  if (known != nullptr && known->plain && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const auto size = static_cast<size_t>(sqlite3_value_bytes(argv[1]));
    sqlite3_result_int(ctx, MatchesPlain(std::string_view(text, size), *known) ? 1 : 0);
    return;
  }
  const ArgumentText pattern(argv[0]);
  const ArgumentText value(argv[1]);
  if (pattern.null() || value.null()) return;  // NULL
  sqlite3_result_int(ctx, LikeMatch(value.text(), pattern.text()) ? 1 : 0);
  if (known == nullptr && sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
    sqlite3_set_auxdata(ctx, 0, new PlainPattern(PlainPatternOf(pattern.text())),
                        [](void* kept) { delete static_cast<PlainPattern*>(kept); });
  }
}

void LeftFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  const auto count = CountArgument(ctx, argv[1]);
  if (!count || text.null()) return;
  ResultText(ctx, FirstCodePoints(text.text(), *count));
}

void RightFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  const auto count = CountArgument(ctx, argv[1]);
  if (!count || text.null()) return;
  const std::string_view whole = text.text();
  const int64_t skip = static_cast<int64_t>(CountCodePoints(whole)) - *count;
  ResultText(ctx, whole.substr(FirstCodePoints(whole, skip).size()));
}

void MidFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  const auto start = CountArgument(ctx, argv[1], 1);
  if (!start) return;
  std::optional<int64_t> count = std::numeric_limits<int64_t>::max();
  if (argc > 2) count = CountArgument(ctx, argv[2]);
  if (!count || text.null()) return;
  const std::string_view rest = text.text().substr(FirstCodePoints(text.text(), *start - 1).size());
  ResultText(ctx, FirstCodePoints(rest, *count));
}

void LenFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  if (text.null()) return;
  sqlite3_result_int64(ctx, static_cast<int64_t>(CountCodePoints(text.text())));
}

void UCaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  if (text.null()) return;
  ResultText(ctx, MapCodePoints(text.text(), UpperCodePoint));
}

void LCaseFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  if (text.null()) return;
  ResultText(ctx, MapCodePoints(text.text(), FoldCodePoint));
}

// Blanks (spaces only, as the runtime) removed from both ends.
void TrimFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ArgumentText text(argv[0]);
  if (text.null()) return;
  std::string_view view = text.text();
  const size_t first = view.find_first_not_of(' ');
  view = first == std::string_view::npos ? std::string_view() : view.substr(first);
  view = view.substr(0, view.find_last_not_of(' ') + 1);
  ResultText(ctx, view);
}

void CDateFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      sqlite3_result_value(ctx, argv[0]);
      return;
    default:
      if (const auto date = ParseDate(ArgumentText(argv[0]).text())) {
        sqlite3_result_double(ctx, date->serial());
      } else {
        ResultError(ctx, ErrorCode::kCriteriaMismatch);
      }
  }
}

// The value of an SQL expression as the runtime sees it: integers as Long (Double beyond
// 32 bits), reals as Double, texts as String.
Variant ToVariant(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER: {
      const int64_t integer = sqlite3_value_int64(value);
      if (integer >= std::numeric_limits<int32_t>::min() &&
          integer <= std::numeric_limits<int32_t>::max()) {
        return Variant::Long(static_cast<int32_t>(integer));
      }
      return Variant(static_cast<double>(integer));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_value_double(value));
    default:
      return Variant(std::string(ArgumentText(value).text()));
  }
}

void StoreFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
  const ColumnSpec column{static_cast<FieldType>(sqlite3_value_int(argv[1])),
                          sqlite3_value_int(argv[2]), 0};
  try {
    const StoredValue stored = EncodeForColumn(ToVariant(argv[0]), column);
    if (const auto* integer = std::get_if<int64_t>(&stored)) {
      sqlite3_result_int64(ctx, *integer);
    } else if (const auto* real = std::get_if<double>(&stored)) {
      sqlite3_result_double(ctx, *real);
    } else if (const auto* text = std::get_if<std::string>(&stored)) {
      ResultText(ctx, *text);
    } else {
      sqlite3_result_null(ctx);
    }
  } catch (const Error& error) {
    ResultError(ctx, error);
  }
}

// ---- aggregates -----------------------------------------------------------------------------

// The kept value of a First/Last group; SQLite zero-fills it on the group's first row.
struct KeptValue {
  sqlite3_value* value;
  bool set;
};

void FirstStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(ctx, sizeof(KeptValue)));
  if (kept == nullptr || kept->set) return;
  kept->value = sqlite3_value_dup(argv[0]);
  kept->set = true;
}

void LastStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
  auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(ctx, sizeof(KeptValue)));
  if (kept == nullptr) return;
  sqlite3_value_free(kept->value);
  kept->value = sqlite3_value_dup(argv[0]);
  kept->set = true;
}

void KeptFinal(sqlite3_context* ctx) {
  auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(ctx, 0));
  if (kept == nullptr || kept->value == nullptr) return;  // an empty group: NULL
  sqlite3_result_value(ctx, kept->value);
  sqlite3_value_free(kept->value);
}

using ScalarFunction = void (*)(sqlite3_context*, int, sqlite3_value**);

struct ScalarEntry {
  const char* name;
  int arguments;
  ScalarFunction function;
};

constexpr ScalarEntry kScalars[] = {
    {"like", 2, LikeFunction},   {"left", 2, LeftFunction},      {"right", 2, RightFunction},
    {"mid", 2, MidFunction},     {"mid", 3, MidFunction},        {"len", 1, LenFunction},
    {"ucase", 1, UCaseFunction}, {"lcase", 1, LCaseFunction},    {"trim", 1, TrimFunction},
    {"cdate", 1, CDateFunction}, {"orv_store", 3, StoreFunction}};

void Check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK) throw MakeError(ErrorCode::kEngineFailure, sqlite3_errmsg(db));
}

}  // namespace

bool LikeMatch(std::string_view value, std::string_view pattern) {
  const char* v = value.data();
  const char* v_end = v + value.size();
  const char* p = pattern.data();
  const char* p_end = p + pattern.size();
  // Where to resume after the last '*': the pattern after it and the value it reached.
  const char* star_p = nullptr;
  const char* star_v = nullptr;
  for (;;) {
    if (p < p_end) {
      if (*p == '*') {
        while (p < p_end && *p == '*') ++p;
        if (p == p_end) return true;
        star_p = p;
        star_v = v;
        continue;
      }
      if (*p == '[' && p + 1 < p_end && p[1] == ']') {  // "[]" matches no character
        p += 2;
        continue;
      }
      if (v < v_end) {
        if (IsPlainAscii(*p)) {
          // No other code point folds to an ASCII letter: compare single bytes.
          if (FoldAscii(*p) == FoldAscii(*v)) {
            ++p;
            ++v;
            continue;
          }
        } else {
          const char* next_v = v;
          const char32_t c = FoldCodePoint(NextCodePoint(next_v, v_end));
          const char* next_p = p;
          if (MatchElement(next_p, p_end, c)) {
            p = next_p;
            v = next_v;
            continue;
          }
        }
      }
    } else if (v == v_end) {
      return true;
    }
    // Mismatch: let the last '*' take one more character, and when a plain ASCII character
    // follows the '*', go straight to its next occurrence.
    if (star_p == nullptr || star_v == v_end) return false;
    NextCodePoint(star_v, v_end);
    if (IsPlainAscii(*star_p)) {
      const char wanted = FoldAscii(*star_p);
      while (star_v < v_end && FoldAscii(*star_v) != wanted) ++star_v;
    }
    p = star_p;
    v = star_v;
  }
}

void RegisterSqlFunctions(sqlite3* db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  for (const ScalarEntry& entry : kScalars) {
    Check(db, sqlite3_create_function_v2(db, entry.name, entry.arguments, kFlags, nullptr,
                                         entry.function, nullptr, nullptr, nullptr));
  }
  Check(db, sqlite3_create_function_v2(db, "first", 1, kFlags, nullptr, nullptr, FirstStep,
                                       KeptFinal, nullptr));
  Check(db, sqlite3_create_function_v2(db, "last", 1, kFlags, nullptr, nullptr, LastStep, KeptFinal,
                                       nullptr));
}

}  // namespace orvalis::engine
