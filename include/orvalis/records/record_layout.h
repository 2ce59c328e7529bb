// What a record class states about its fields, one row per field: the property's name,
// its column, its value after Clear, which operations read and write it and where reads
// take it. The rows are the only place where a class says these things; the operations,
// the collection's item fill and the late-bound properties are all driven by them.
//
//   constexpr FieldRow kFields[] = {
//       {CFOP::kNroVEK, "NroVEK", kZero, kRead | kCreate},
//       {CFOP::kImposto, "Imposto", kZero, kEveryUse},
//       FieldRow{R::kIcmsFixPerRES, "IcmsFixPerRES", kNull, kFetch |
//       kWrite}.Column("ICMSFixPerRES"),
//   };
//   static_assert(InFieldOrder(kFields, CFOP::kOutrosImpostos));
//   static const RecordLayout layout("tblDetalhesCFOPs", kFields);
//
// A RecordLayout checks its rows against the table's definition in the file schema when
// it is built: a column the table lacks, or a write into a counter column, is a
// programming error (std::logic_error). Layouts are built once and only read afterwards,
// from any thread.
#pragma once

#include "orvalis/export.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/variant.h"

namespace orvalis::records {

// Which operations use a field (bits of FieldRow::use).
enum FieldUse : uint8_t {
  kFetch = 1,    // the record's Fetch reads it from the row found
  kItem = 2,     // the collection's Item fills it from the current row
  kCreate = 4,   // Create writes it into the new row
  kUpdate = 8,   // Update writes it into the row
  kJoined = 16,  // read from a table joined in by the statement, not one of the class's table
  kSkipUnselected = 32,  // a read leaves it as it was when the statement does not select it
  kRead = kFetch | kItem,
  kWrite = kCreate | kUpdate,
  kEveryUse = kRead | kWrite,
};

// A field's value after Clear, as a constant.
struct ORVALIS_EXPORT ClearedValue {
  enum class Kind : uint8_t { kEmpty, kNull, kInteger, kText, kBoolean };
  Kind kind;
  int16_t number = 0;
  std::string_view text = {};

  Variant ToVariant() const;
};

inline constexpr ClearedValue kEmpty{ClearedValue::Kind::kEmpty};
inline constexpr ClearedValue kNull{ClearedValue::Kind::kNull};
inline constexpr ClearedValue kZero{ClearedValue::Kind::kInteger, 0};
inline constexpr ClearedValue kTrue{ClearedValue::Kind::kBoolean, 1};
inline constexpr ClearedValue kFalse{ClearedValue::Kind::kBoolean, 0};
// The Integer `number`, and a String.
constexpr ClearedValue Number(int16_t number) { return {ClearedValue::Kind::kInteger, number}; }
constexpr ClearedValue Text(std::string_view text) { return {ClearedValue::Kind::kText, 0, text}; }

// What a write stores for a held value; raises (an orvalis::Error) to refuse it.
using WriteRule = Variant (*)(const Variant& held);

// One field of a record class.
struct ORVALIS_EXPORT FieldRow {
  size_t field;                       // the class's Field enumerator (rows are in its order)
  std::string_view name;              // the property's name on the interface
  ClearedValue cleared;               // the value after Clear
  uint8_t use;                        // FieldUse bits
  std::string_view column_name = {};  // the table's column, when it is not `name`
  std::string_view result_name = {};  // the result column reads take, when not the column
  uint8_t null_reads = 0;             // the reads (kFetch, kItem) that replace a Null ...
  ClearedValue null_value = kNull;    // ... by this value
  WriteRule write_rule = nullptr;     // nullptr: the held value as it is

  constexpr FieldRow Column(std::string_view column) const {
    FieldRow row = *this;
    row.column_name = column;
    return row;
  }
  constexpr FieldRow ReadFrom(std::string_view result_column) const {
    FieldRow row = *this;
    row.result_name = result_column;
    return row;
  }
  constexpr FieldRow NullAs(uint8_t reads, ClearedValue value) const {
    FieldRow row = *this;
    row.null_reads = reads;
    row.null_value = value;
    return row;
  }
  constexpr FieldRow Writing(WriteRule rule) const {
    FieldRow row = *this;
    row.write_rule = rule;
    return row;
  }

  constexpr std::string_view column() const { return column_name.empty() ? name : column_name; }
  constexpr std::string_view read_from() const {
    return result_name.empty() ? column() : result_name;
  }
};

// True when row i names field i and the last row names `last`: the rows follow the
// class's Field enum one to one (checked with static_assert).
template <size_t N>
constexpr bool InFieldOrder(const FieldRow (&rows)[N], size_t last) {
  for (size_t i = 0; i < N; ++i) {
    if (rows[i].field != i) return false;
  }
  return N > 0 && rows[N - 1].field == last;
}

// The rows of a class checked against its table, with the field lists every operation
// walks computed once.
class ORVALIS_EXPORT RecordLayout {
 public:
  // `slot_order` lists the fields in the order of the interface's property pairs when
  // that is not the rows' order. Raises std::logic_error naming each column the table
  // lacks or each written counter column.
  RecordLayout(std::string_view table, std::span<const FieldRow> rows,
               std::span<const size_t> slot_order = {});

  std::string_view table() const { return table_; }
  std::span<const FieldRow> rows() const { return rows_; }
  const FieldRow& row(size_t field) const { return rows_[field]; }
  size_t size() const { return rows_.size(); }
  // The fields with that use (one FieldUse bit: kFetch, kItem, kCreate or kUpdate), in
  // row order.
  std::span<const size_t> Fields(FieldUse use) const;
  // The positions in Fields(use) of the fields whose rows replace a Null on that read.
  std::span<const size_t> NullReplacing(FieldUse use) const;
  // Every field in the order of the interface's property pairs.
  std::span<const size_t> SlotOrder() const { return slot_order_; }
  const std::vector<Variant>& cleared() const { return cleared_; }
  // The value reads keep in place of a Null in that field (its row's null_value).
  const Variant& null_value(size_t field) const { return null_values_[field]; }

 private:
  std::string_view table_;
  std::span<const FieldRow> rows_;
  std::vector<size_t> slot_order_;
  std::array<std::vector<size_t>, 4> by_use_;  // kFetch, kItem, kCreate, kUpdate
  std::array<std::vector<size_t>, 4> null_replacing_;
  std::vector<Variant> cleared_;
  std::vector<Variant> null_values_;
};

// What is wrong with `rows` against the definition of `table` in the file schema: one
// text per column the table lacks (a row marked kJoined is not looked for) and per
// written column that is a counter; empty when nothing is. Column names are compared as
// the engine does, ignoring letter case.
ORVALIS_EXPORT std::vector<std::string> LayoutFaults(std::string_view table,
                                                     std::span<const FieldRow> rows);

}  // namespace orvalis::records
