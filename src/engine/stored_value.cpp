#include "engine/stored_value.h"

#include "component/utf8.h"
#include "engine/kept_value.h"

#include <cmath>
#include <limits>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

bool IsTextType(FieldType type) { return type == FieldType::kText || type == FieldType::kMemo; }

template <typename Integer>
bool Fits(int64_t value) {
  return value >= std::numeric_limits<Integer>::min() &&
         value <= std::numeric_limits<Integer>::max();
}

// A real rounded to single precision; Error 6 beyond its range.
double ToSingle(const Variant& value) {
  const double real = ToDouble(value);
  if (std::fabs(real) > std::numeric_limits<float>::max()) {
    throw MakeError(ErrorCode::kOverflow);
  }
  return static_cast<float>(real);
}

// The value as the variant kind that holds a column of that type, converted by the
// runtime's rules (raising their errors: 6, 13).
Variant ToColumnKind(const Variant& value, FieldType type) {
  switch (type) {
    case FieldType::kBoolean:
      return Variant(ToBoolean(value));
    case FieldType::kByte:
      return Variant::Byte(ToByte(value));
    case FieldType::kInteger:
      return Variant::Integer(ToInteger(value));
    case FieldType::kLong:
      return Variant::Long(ToLong(value));
    case FieldType::kCurrency:
      return Variant(ToCurrency(value));
    case FieldType::kSingle:
      return Variant(ToSingle(value));
    case FieldType::kDouble:
      return Variant(ToDouble(value));
    case FieldType::kDate:
      return Variant(ToDate(value));
    case FieldType::kText:
    case FieldType::kMemo:
      return Variant(ToText(value));
    default:
      break;  // kept-as-is types are converted by kept_value
  }
  throw MakeError(ErrorCode::kConversionError);
}

// The storage of a value already of its column's kind.
StoredValue ToStored(const Variant& typed) {
  switch (typed.kind()) {
    case VariantKind::kBoolean:
      return int64_t{typed.boolean_value() ? -1 : 0};
    case VariantKind::kByte:
      return int64_t{typed.byte_value()};
    case VariantKind::kInteger:
      return int64_t{typed.integer_value()};
    case VariantKind::kLong:
      return int64_t{typed.long_value()};
    case VariantKind::kCurrency:
      return typed.currency_value().raw();
    case VariantKind::kDouble:
      return typed.double_value();
    case VariantKind::kDate:
      return typed.date_value().serial();
    case VariantKind::kString:
      return typed.string_value();
    default:
      return StoredNull{};
  }
}

int64_t CharacterCount(std::string_view utf8) {
  return static_cast<int64_t>(CountCharacters(utf8));
}

}  // namespace

StoredValue EncodeForColumn(const Variant& value, const ColumnSpec& column) {
  if (value.IsEmpty() || value.IsNull()) return StoredNull{};
  if (IsKeptType(column.type)) return EncodeKeptValue(value, column);
  // A NUL would end the text wherever it is read back as one: such a row could never be
  // found, changed or deleted again.
  if (value.IsString() && value.string_value().find('\0') != std::string::npos) {
    throw MakeError(ErrorCode::kTypeMismatch);
  }
  const FieldType type = column.is_counter() ? FieldType::kLong : column.type;
  Variant typed;
  try {
    typed = ToColumnKind(value, type);
  } catch (const Error& error) {
    const bool overflow = error.number() == static_cast<int32_t>(ErrorCode::kOverflow);
    throw MakeError(overflow ? ErrorCode::kNumericOverflow : ErrorCode::kConversionError);
  }
  if (type == FieldType::kText) {
    const int32_t width = column.size > 0 ? column.size : kDefaultTextSize;
    if (CharacterCount(typed.string_value()) > width) throw MakeError(ErrorCode::kFieldTooSmall);
  }
  return ToStored(typed);
}

StoredView ViewOf(const StoredValue& stored) {
  StoredView view;
  if (const auto* whole = std::get_if<int64_t>(&stored)) {
    view.storage = StoredView::Class::kInteger;
    view.integer = *whole;
  } else if (const auto* real = std::get_if<double>(&stored)) {
    view.storage = StoredView::Class::kReal;
    view.real = *real;
  } else if (const auto* text = std::get_if<std::string>(&stored)) {
    view.storage = StoredView::Class::kText;
    view.text = *text;
  }
  return view;
}

StoredValue StoredOf(const StoredView& stored) {
  switch (stored.storage) {
    case StoredView::Class::kInteger:
      return stored.integer;
    case StoredView::Class::kReal:
      return stored.real;
    case StoredView::Class::kText:
      return std::string(stored.text);
    case StoredView::Class::kNull:
      break;
  }
  return StoredNull{};
}

Variant DecodeFromColumn(const StoredValue& stored, FieldType type) {
  return DecodeFromColumn(ViewOf(stored), type);
}

Variant DecodeFromColumn(const StoredView& stored, FieldType type) {
  // Null, and a value kept as its column's own storage, are read directly: the
  // conversions below would give the same.
  switch (stored.storage) {
    case StoredView::Class::kNull:
      return Variant::Null();
    case StoredView::Class::kInteger: {
      const int64_t whole = stored.integer;
      switch (type) {
        case FieldType::kCurrency:
          return Currency::FromRaw(whole);
        case FieldType::kText:
        case FieldType::kMemo:
          return std::to_string(whole);
        case FieldType::kLong:
          if (Fits<int32_t>(whole)) return Variant::Long(static_cast<int32_t>(whole));
          break;
        case FieldType::kInteger:
          if (Fits<int16_t>(whole)) return Variant::Integer(static_cast<int16_t>(whole));
          break;
        case FieldType::kByte:
          if (Fits<uint8_t>(whole)) return Variant::Byte(static_cast<uint8_t>(whole));
          break;
        case FieldType::kBoolean:
          return Variant(whole != 0);
        case FieldType::kDouble:
          return Variant(static_cast<double>(whole));
        default:
          break;
      }
      break;
    }
    case StoredView::Class::kText:
      if (IsTextType(type)) return Variant(stored.text);
      break;
    case StoredView::Class::kReal:
      if (type == FieldType::kDouble) return Variant(stored.real);
      break;
  }
  if (IsKeptType(type)) return DecodeKeptValue(StoredOf(stored), type);
  const Variant untyped = DecodeUntyped(stored);
  try {
    return ToColumnKind(untyped, type);
  } catch (const Error&) {
    return untyped;  // another tool's value that the column's type cannot hold
  }
}

Variant DecodeUntyped(const StoredValue& stored) { return DecodeUntyped(ViewOf(stored)); }

Variant DecodeUntyped(const StoredView& stored) {
  switch (stored.storage) {
    case StoredView::Class::kInteger:
      return Fits<int32_t>(stored.integer) ? Variant::Long(static_cast<int32_t>(stored.integer))
                                           : Variant(static_cast<double>(stored.integer));
    case StoredView::Class::kReal:
      return Variant(stored.real);
    case StoredView::Class::kText:
      return Variant(stored.text);
    case StoredView::Class::kNull:
      break;
  }
  return Variant::Null();
}

}  // namespace orvalis::engine
