// StoredValue: a value as SQLite keeps it in a declaration file, and the conversions
// between it and Variant for one column.
//
// Storage per column type: Boolean as -1/0, Byte/Integer/Long/Counter as integers,
// Currency as an integer count of ten-thousandths, Single/Double as reals, Date as a real
// (days since 30/12/1899), Text/Memo as UTF-8 text. Null as SQL NULL.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "component/variant_access.h"
#include "orvalis/field_type.h"
#include "orvalis/variant.h"

namespace orvalis::engine {

struct StoredNull {
  bool operator==(const StoredNull&) const = default;
};
using StoredValue = std::variant<StoredNull, int64_t, double, std::string>;

// A stored value as SQLite hands it out: its storage class and the part that holds it, a
// text viewed where SQLite keeps it (valid while the statement stays on its row).
struct StoredView {
  enum class Class : uint8_t { kNull, kInteger, kReal, kText };
  Class storage = Class::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string_view text;
};
StoredView ViewOf(const StoredValue& stored);
StoredValue StoredOf(const StoredView& stored);  // the text copied

// Converts a value written into a column of that definition, as the engine does on a write:
// Empty and Null store NULL; numbers, texts ("1.234,56", "0,00"), dates and Booleans are
// converted to the column's type with the Brazilian conventions. Raises
//   3421 Data type conversion error  when the value does not convert,
//   3163 field too small              when a text is longer than the column's width
//                                     (characters, not bytes),
//   3349 Numeric field overflow       when a number is outside the column's range.
StoredValue EncodeForColumn(const Variant& value, const ColumnSpec& column);

// Reads a stored value as the column's type (Null for NULL). Tolerates values of another
// storage class written by other tools (an integer in a text column reads as its text).
Variant DecodeFromColumn(const StoredValue& stored, FieldType type);
Variant DecodeFromColumn(const StoredView& stored, FieldType type);
// Makes `into` DecodeFromColumn(stored, type). Inline, for a recordset reads every value
// of its rows with it: the cases DecodeFromColumn reads directly are assigned in place.
inline void DecodeInto(const StoredView& stored, FieldType type, Variant& into) {
  switch (stored.storage) {
    case StoredView::Class::kNull:
      VariantAccess::SetNull(into);
      return;
    case StoredView::Class::kInteger:
      if (type == FieldType::kCurrency) {
        VariantAccess::SetCurrency(into, Currency::FromRaw(stored.integer));
        return;
      }
      if (type == FieldType::kLong && stored.integer >= INT32_MIN && stored.integer <= INT32_MAX) {
        VariantAccess::SetLong(into, static_cast<int32_t>(stored.integer));
        return;
      }
      break;
    case StoredView::Class::kText:
      if (type == FieldType::kText || type == FieldType::kMemo) {
        VariantAccess::SetString(into, stored.text);
        return;
      }
      break;
    case StoredView::Class::kReal:
      break;
  }
  into = DecodeFromColumn(stored, type);
}

// Reads a stored value that has no column (an expression): integers as Long (Double when
// outside 32 bits), reals as Double, texts as String.
Variant DecodeUntyped(const StoredValue& stored);
Variant DecodeUntyped(const StoredView& stored);

}  // namespace orvalis::engine
