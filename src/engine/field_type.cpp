#include "orvalis/field_type.h"

namespace orvalis {

int32_t DefaultSize(FieldType type) {
  switch (type) {
    case FieldType::kBoolean:
    case FieldType::kByte:
      return 1;
    case FieldType::kInteger:
      return 2;
    case FieldType::kLong:
    case FieldType::kSingle:
      return 4;
    case FieldType::kCurrency:
    case FieldType::kDouble:
    case FieldType::kDate:
      return 8;
    case FieldType::kGUID:
    case FieldType::kDecimal:
      return 16;
    case FieldType::kText:
    case FieldType::kBinary:
      return kDefaultTextSize;
    case FieldType::kMemo:
    case FieldType::kLongBinary:
      return 0;
  }
  return 0;
}

}  // namespace orvalis
