// Column types and attribute bits of the declaration engine, with their engine numbers.
#pragma once

#include "orvalis/export.h"

#include <cstdint>
#include <string>

namespace orvalis {

enum class FieldType : int32_t {
  kBoolean = 1,
  kByte = 2,
  kInteger = 3,
  kLong = 4,
  kCurrency = 5,
  kSingle = 6,
  kDouble = 7,
  kDate = 8,
  kBinary = 9,  // bytes of a fixed-width column (at most 255), kept as they are
  kText = 10,
  kLongBinary = 11,  // bytes of any length (an OLE object), kept as they are
  kMemo = 12,
  kGUID = 15,     // a replication id, kept as its text "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
  kDecimal = 20,  // an exact fixed-point number of `precision` digits, `scale` of them decimal
};

// Field attribute: the engine assigns the value when a row is added (a counter).
inline constexpr int32_t kAutoIncrField = 16;
// A Text column created without a width holds up to this many characters.
inline constexpr int32_t kDefaultTextSize = 255;

// Relation attribute bits.
inline constexpr int32_t kRelationUnique = 1;
inline constexpr int32_t kRelationDontEnforce = 2;
inline constexpr int32_t kRelationUpdateCascade = 256;
inline constexpr int32_t kRelationDeleteCascade = 4096;
inline constexpr int32_t kRelationLeft = 16777216;
inline constexpr int32_t kRelationRight = 33554432;

// Compaction format options.
inline constexpr int32_t kDbVersion30 = 32;
inline constexpr int32_t kDbVersion40 = 64;

// What one column is: enough to convert and check a value written into it.
struct ORVALIS_EXPORT ColumnSpec {
  FieldType type = FieldType::kText;
  int32_t size = kDefaultTextSize;  // characters for Text; the type's byte size otherwise
  int32_t attributes = 0;
  int16_t precision = 0;  // kDecimal only
  int16_t scale = 0;      // kDecimal only

  bool is_counter() const { return (attributes & kAutoIncrField) != 0; }
};

// The byte size the engine reports for a fixed-size type (Text: its width).
ORVALIS_EXPORT int32_t DefaultSize(FieldType type);

}  // namespace orvalis
