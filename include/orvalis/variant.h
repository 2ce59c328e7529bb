// Variant: the value exchanged between the front-end and the component's objects.
//
// A variant holds one of the classic runtime's kinds: Empty (never set), Null (a null
// column), Integer (16-bit), Long (32-bit), Byte, Boolean, Currency, Double, Date, String
// (UTF-8), Object (a reference-counted component object; a null reference is Nothing)
// or Missing (an optional argument that was not passed). Copies are cheap for every kind
// but String. Conversions between kinds follow the runtime's rules under Brazilian
// conventions (see the free functions below); they raise Error 13 (Type mismatch) or 6
// (Overflow) when a value does not convert.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "orvalis/currency.h"
#include "orvalis/date.h"

namespace orvalis {

class Object;  // component object with late-bound members (object.h)

enum class VariantKind {
  kEmpty,
  kNull,
  kInteger,
  kLong,
  kByte,
  kBoolean,
  kCurrency,
  kDouble,
  kDate,
  kString,
  kObject,
  kMissing,
};

class ORVALIS_EXPORT Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null();
  static Variant Missing();
  static Variant Nothing();  // an Object variant holding no object
  static Variant Integer(int16_t value);
  static Variant Long(int32_t value);
  static Variant Byte(uint8_t value);

  Variant(bool value);  // NOLINT: implicit, as the runtime assigns
  Variant(Currency value);
  Variant(double value);
  Variant(Date value);
  Variant(std::string value);
  Variant(std::string_view value);
  Variant(const char* value);
  Variant(std::shared_ptr<Object> value);
  // Plain int becomes Long; use the factories for Integer or Byte.
  Variant(int value);

  VariantKind kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == VariantKind::kEmpty; }
  bool IsNull() const { return kind_ == VariantKind::kNull; }
  bool IsMissing() const { return kind_ == VariantKind::kMissing; }
  bool IsObject() const { return kind_ == VariantKind::kObject; }
  bool IsNothing() const;  // Object kind without an object
  bool IsString() const { return kind_ == VariantKind::kString; }
  // Integer, Long, Byte, Boolean, Currency, Double (not Date, not String).
  bool IsNumeric() const;

  // Exact accessors: valid only for the matching kind (checked with assert).
  int16_t integer_value() const;
  int32_t long_value() const;
  uint8_t byte_value() const;
  bool boolean_value() const;
  Currency currency_value() const;
  double double_value() const;
  Date date_value() const;
  const std::string& string_value() const;
  const std::shared_ptr<Object>& object_value() const;

  // Same kind and same value (Strings compared exactly). Not the runtime's '='.
  bool operator==(const Variant& other) const;

 private:
  friend struct VariantAccess;  // assignment in place for the engine's reads of rows

  using Storage = std::variant<std::monostate, int64_t, double, Currency, Date, std::string,
                               std::shared_ptr<Object>>;
  Variant(VariantKind kind, Storage storage) : kind_(kind), storage_(std::move(storage)) {}

  VariantKind kind_ = VariantKind::kEmpty;
  Storage storage_;
};

// Name of a kind as the runtime's TypeName gives it ("Empty", "Null", "Integer", ...).
ORVALIS_EXPORT std::string_view KindName(VariantKind kind);

// ---- Runtime conversions (Brazilian conventions) --------------------------------------
// Texts read as numbers: optional blanks around, optional sign, full stops between digit
// groups skipped, comma as the decimal separator ("1.234,56" is 1234,56). Texts read as
// Booleans: "True"/"False" (any letter case) or a number. Texts read as dates: ParseDate.
// Empty converts to 0, "" or False; Null raises Error 94 (Invalid use of Null) in every
// conversion here; an Object or Missing value raises 13.
// Integer conversions round half to even (as CInt/CLng do) and raise 6 out of range.

ORVALIS_EXPORT int16_t ToInteger(const Variant& value);
ORVALIS_EXPORT int32_t ToLong(const Variant& value);
ORVALIS_EXPORT uint8_t ToByte(const Variant& value);
ORVALIS_EXPORT bool ToBoolean(const Variant& value);
ORVALIS_EXPORT Currency ToCurrency(const Variant& value);
ORVALIS_EXPORT double ToDouble(const Variant& value);
ORVALIS_EXPORT Date ToDate(const Variant& value);
// The runtime's text form: "1,5" for 1.5, "-1" is not used for True: Booleans give
// "True"/"False", dates FormatDate, currency without trailing zeros ("12,5").
ORVALIS_EXPORT std::string ToText(const Variant& value);

// Reads a number from text under the rules above; nothing when it is not a number.
ORVALIS_EXPORT std::optional<double> ParseNumber(std::string_view text);
// The same, exact, for money: nothing when not a number or out of currency range.
ORVALIS_EXPORT std::optional<Currency> ParseCurrency(std::string_view text);

// Format(x, "#,##0.00") under Brazilian conventions: rounds half away from zero at the
// second decimal, full stops between thousands, comma before the two decimals, a minus
// sign leading a negative value; 1234567.5 gives "1.234.567,50", zero "0,00". The value
// is converted with ToCurrency first (so texts are read as numbers); Null and Empty
// give "".
ORVALIS_EXPORT std::string FormatMoney(const Variant& value);
ORVALIS_EXPORT std::string FormatMoney(Currency value);

}  // namespace orvalis
