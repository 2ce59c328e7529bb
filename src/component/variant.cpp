#include "orvalis/variant.h"

#include <cassert>
#include <utility>

namespace orvalis {

// Integer, Long, Byte and Boolean share the int64_t alternative (True kept as -1);
// Empty, Null and Missing hold nothing.

Variant Variant::Null() { return Variant(VariantKind::kNull, std::monostate{}); }
Variant Variant::Missing() { return Variant(VariantKind::kMissing, std::monostate{}); }
Variant Variant::Nothing() { return Variant(VariantKind::kObject, std::shared_ptr<Object>{}); }
Variant Variant::Integer(int16_t value) { return Variant(VariantKind::kInteger, int64_t{value}); }
Variant Variant::Long(int32_t value) { return Variant(VariantKind::kLong, int64_t{value}); }
Variant Variant::Byte(uint8_t value) { return Variant(VariantKind::kByte, int64_t{value}); }

Variant::Variant(bool value) : kind_(VariantKind::kBoolean), storage_(int64_t{value ? -1 : 0}) {}
Variant::Variant(Currency value) : kind_(VariantKind::kCurrency), storage_(value) {}
Variant::Variant(double value) : kind_(VariantKind::kDouble), storage_(value) {}
Variant::Variant(Date value) : kind_(VariantKind::kDate), storage_(value) {}
Variant::Variant(std::string value) : kind_(VariantKind::kString), storage_(std::move(value)) {}
Variant::Variant(std::string_view value)
    : kind_(VariantKind::kString), storage_(std::string(value)) {}
Variant::Variant(const char* value) : Variant(std::string_view(value)) {}
Variant::Variant(std::shared_ptr<Object> value)
    : kind_(VariantKind::kObject), storage_(std::move(value)) {}
Variant::Variant(int value) : kind_(VariantKind::kLong), storage_(int64_t{value}) {}

bool Variant::IsNothing() const { return IsObject() && object_value() == nullptr; }

bool Variant::IsNumeric() const {
  switch (kind_) {
    case VariantKind::kInteger:
    case VariantKind::kLong:
    case VariantKind::kByte:
    case VariantKind::kBoolean:
    case VariantKind::kCurrency:
    case VariantKind::kDouble:
      return true;
    default:
      return false;
  }
}

int16_t Variant::integer_value() const {
  assert(kind_ == VariantKind::kInteger);
  return static_cast<int16_t>(std::get<int64_t>(storage_));
}
int32_t Variant::long_value() const {
  assert(kind_ == VariantKind::kLong);
  return static_cast<int32_t>(std::get<int64_t>(storage_));
}
uint8_t Variant::byte_value() const {
  assert(kind_ == VariantKind::kByte);
  return static_cast<uint8_t>(std::get<int64_t>(storage_));
}
bool Variant::boolean_value() const {
  assert(kind_ == VariantKind::kBoolean);
  return std::get<int64_t>(storage_) != 0;
}
Currency Variant::currency_value() const {
  assert(kind_ == VariantKind::kCurrency);
  return std::get<Currency>(storage_);
}
double Variant::double_value() const {
  assert(kind_ == VariantKind::kDouble);
  return std::get<double>(storage_);
}
Date Variant::date_value() const {
  assert(kind_ == VariantKind::kDate);
  return std::get<Date>(storage_);
}
const std::string& Variant::string_value() const {
  assert(kind_ == VariantKind::kString);
  return std::get<std::string>(storage_);
}
const std::shared_ptr<Object>& Variant::object_value() const {
  assert(kind_ == VariantKind::kObject);
  return std::get<std::shared_ptr<Object>>(storage_);
}

bool Variant::operator==(const Variant& other) const {
  return kind_ == other.kind_ && storage_ == other.storage_;
}

std::string_view KindName(VariantKind kind) {
  switch (kind) {
    case VariantKind::kEmpty:
      return "Empty";
    case VariantKind::kNull:
      return "Null";
    case VariantKind::kInteger:
      return "Integer";
    case VariantKind::kLong:
      return "Long";
    case VariantKind::kByte:
      return "Byte";
    case VariantKind::kBoolean:
      return "Boolean";
    case VariantKind::kCurrency:
      return "Currency";
    case VariantKind::kDouble:
      return "Double";
    case VariantKind::kDate:
      return "Date";
    case VariantKind::kString:
      return "String";
    case VariantKind::kObject:
      return "Object";
    case VariantKind::kMissing:
      return "Error";  // the runtime's name for a missing argument
  }
  return "";
}

}  // namespace orvalis
