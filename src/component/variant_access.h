// VariantAccess: a Variant given a new value in place, for the engine's reads of stored
// rows into records: no temporary Variant is made, and the storage a variant holds is
// reused when the new value has the same. Each setter leaves the variant as assigning the
// Variant named beside it would.
#pragma once

#include <string_view>

#include "orvalis/variant.h"

namespace orvalis {

struct VariantAccess {
  // Variant::Null()
  static void SetNull(Variant& variant) { Set<0>(variant, VariantKind::kNull); }
  // Variant::Long(value)
  static void SetLong(Variant& variant, int32_t value) {
    Set<1>(variant, VariantKind::kLong, int64_t{value});
  }
  // Variant(value)
  static void SetCurrency(Variant& variant, Currency value) {
    Set<3>(variant, VariantKind::kCurrency, value);
  }
  // Variant(text)
  static void SetString(Variant& variant, std::string_view text) {
    if (auto* held = std::get_if<5>(&variant.storage_)) {
      held->assign(text);
    } else {
      variant.storage_.emplace<5>(text);
    }
    variant.kind_ = VariantKind::kString;
  }

 private:
  template <size_t I, typename... Value>
  static void Set(Variant& variant, VariantKind kind, Value... value) {
    if (auto* held = std::get_if<I>(&variant.storage_)) {
      if constexpr (sizeof...(Value) > 0) *held = (value, ...);
    } else {
      variant.storage_.template emplace<I>(value...);
    }
    variant.kind_ = kind;
  }
};

}  // namespace orvalis
