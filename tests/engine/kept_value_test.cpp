// Columns kept as they come: bytes, replication ids and exact decimals.
#include "engine/kept_value.h"

#include <gtest/gtest.h>

#include "engine/catalog.h"
#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis::engine {
namespace {

ColumnSpec Decimal(int16_t precision, int16_t scale) {
  ColumnSpec column{FieldType::kDecimal, 16, 0};
  column.precision = precision;
  column.scale = scale;
  return column;
}

TEST(KeptValueTest, StoredAsTheyComeAndReadBack) {
  const std::string bytes("\x00\xFF\x01", 3);
  const struct {
    Variant value;
    ColumnSpec column;
    std::string stored;
    Variant read;
  } cases[] = {
      {Variant(bytes), {FieldType::kBinary, 3, 0}, bytes, Variant(bytes)},
      {Variant(bytes), {FieldType::kLongBinary, 0, 0}, bytes, Variant(bytes)},
      {Variant("12345678-9abc-def0-0123-456789abcdef"),
       {FieldType::kGUID, 16, 0},
       "{12345678-9ABC-DEF0-0123-456789ABCDEF}",
       Variant("{12345678-9ABC-DEF0-0123-456789ABCDEF}")},
      {Variant("-1.234,5"), Decimal(18, 2), "-1234.50", Variant("-1234,50")},
      {Variant(Currency::FromRaw(-5)), Decimal(5, 3), "-0.001", Variant("-0,001")},
      {Variant(Currency::FromRaw(-4)), Decimal(5, 3), "0.000", Variant("0,000")},
      {Variant("0,995"), Decimal(3, 2), "1.00", Variant("1,00")},
      {Variant::Long(-7), Decimal(28, 0), "-7", Variant("-7")},
      {Variant(2.5), Decimal(4, 1), "2.5", Variant("2,5")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const StoredValue stored = EncodeKeptValue(c.value, c.column);
    EXPECT_EQ(stored, StoredValue(c.stored));
    EXPECT_EQ(DecodeFromColumn(stored, c.column.type), c.read);
  }
  const struct {
    Variant value;
    ColumnSpec column;
    int32_t error;
  } refusals[] = {
      {Variant(bytes), {FieldType::kBinary, 2, 0}, 3163},
      {Variant("not a guid"), {FieldType::kGUID, 16, 0}, 3421},
      {Variant("12,3x"), Decimal(18, 2), 3421},
      {Variant("1.000"), Decimal(4, 2), 3349},
  };
  for (const auto& r : refusals) {
    EXPECT_EQ(testing::ErrorOf([&] { EncodeKeptValue(r.value, r.column); }), r.error);
  }
}

TEST(KeptValueTest, DeclaredTypesDescribeThemselves) {
  for (const ColumnSpec& column :
       {ColumnSpec{FieldType::kBinary, 16, 0}, ColumnSpec{FieldType::kLongBinary, 0, 0},
        ColumnSpec{FieldType::kGUID, 16, 0}, Decimal(28, 6)}) {
    const ColumnSpec read = ParseDeclaredType(DeclaredType(column));
    EXPECT_EQ(read.type, column.type);
    EXPECT_EQ(read.size, column.size);
    EXPECT_EQ(std::pair(read.precision, read.scale), std::pair(column.precision, column.scale));
  }
}

}  // namespace
}  // namespace orvalis::engine
