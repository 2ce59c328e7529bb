// What differs between the members of ICMS: one descriptor per member, in interface slot
// order after DBIndex and NroVEK, followed by the two private stored values that field
// 064 (RES) adds up. The procedures that run the descriptors (sum, stored value,
// composite, write-back, payment total) are written once, in icms.cpp.
//
// The tables are constant data built at compile time; safe to read from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

namespace orvalis::apuracao {

// The members described here. The order is the table's order and the interface's.
enum class FieldId : uint8_t {
  kCampo051ICMS,
  kCampo052ICMS,
  kCampo053ICMS,
  kCampo055ICMS,
  kCampo056ICMS,
  kCampo057ICMS,
  kCampo058ICMS,
  kCampo060ICMS,
  kCampo061ICMS,
  kCampo062ICMS,
  kCampo063ICMS,
  kCampo064IcmsRPA,
  kAtualizaCampo064IcmsRPA,
  kCampo064IcmsRES,
  kCampo051IcmsST11,
  kCampo052IcmsST11,
  kCampo053IcmsST11,
  kCampo055IcmsST11,
  kCampo056IcmsST11,
  kCampo057IcmsST11,
  kCampo058IcmsST11,
  kCampo060IcmsST11,
  kCampo061IcmsST11,
  kAtualizaCampo061IcmsST11,
  kCampo062IcmsST11,
  kCampo063IcmsST11,
  kCampo064IcmsST11,
  kAtualizaCampo064IcmsST11,
  kCampo065IcmsST11,
  kCampo066IcmsST11,
  kPagamentosICMS,
  kPagamentosICMS_ST,
  kPagamentosICMSContar,
  kPagamentosICMS_STConta,
  // Private: not on the interface.
  kValorICMSFixPerRES,
  kValorOutrasRES,
};

// How an operation treats failures once it is past its guards.
enum class Failures : uint8_t {
  kRaise,  // the error reaches the caller
  kQuiet,  // the operation ends quietly, keeping the result it held
};

// The GROUP BY and HAVING fragments up to the declaration number, and what closes them.
struct GroupForm {
  std::string_view opening;
  std::string_view closing;
};

// What a sum field adds up, as data: the rows of one table whose text column (CFOP,
// CódSubItem) begins with one of `prefixes` (what each Like of the WHERE fragment matches
// before its '*'), of one kind of operation for the occurrences. The one-pass apuração
// groups the rows by these prefixes instead of sending the field's statement. The
// selection is read off the WHERE fragment at compile time (icms_fields.cpp), so the
// statement stays the one truth.
enum class SumSource : uint8_t {
  kCfops,             // the CFOP details
  kOwnOccurrences,    // the occurrences of own operations (OpPróprias True)
  kOtherOccurrences,  // the tax-substitution occurrences (OpPróprias False)
};
struct SumSelection {
  SumSource source = SumSource::kCfops;
  std::array<std::string_view, 3> prefixes = {};
  size_t prefix_count = 0;
};

// The length of the prefixes of each table: the first digit of a CFOP, the first three
// characters of an occurrence's sub-item code.
inline constexpr size_t kCfopPrefixLength = 1;
inline constexpr size_t kSubItemPrefixLength = 3;

// A field of the sum template: one aggregate query, its sum formatted as money text.
struct SumField {
  std::string_view select = {};
  // When set, `select` is used only for a reference period before the cut-over date
  // (RefData 1) and this one otherwise.
  std::string_view select_from_cutover = {};
  std::string_view from = {};
  std::string_view where = {};
  const GroupForm* group = nullptr;
  std::string_view column = {};  // the sum column read back
  // The object must be bound to the database that the settings name (field 064 RPA).
  bool requires_settings_database = false;
  Failures failures = Failures::kRaise;
  SumSelection selection = {};
};

// A field of the stored-value template: one currency column of the declaration header.
struct StoredField {
  std::string_view column;
};

// A field computed from other members: the first term plus or minus the others.
struct Term {
  FieldId field;
  bool subtract = false;
};
struct CompositeField {
  std::array<Term, 3> terms = {};
  size_t term_count = 0;
  // A result below zero becomes "0,00 " (with a trailing blank).
  bool clamp_below_zero = false;
};

// A write-back of the caller's value into one column of the declaration header.
struct WriteBack {
  std::string_view column = {};
  // True for the RPA deductions: nothing is done when the number is the empty text or
  // the header row is missing, and the value is converted to currency first. False:
  // the value goes to the engine as passed, and a missing row fails at Edit.
  bool checked = false;
  Failures failures = Failures::kRaise;
};

// A total over the declaration's payments, returned as the engine delivers it.
struct PaymentTotal {
  std::string_view select;
  std::string_view closing;
  std::string_view column;
  bool is_count;        // no row found: the integer 0 for a count, Empty for a sum
  bool own_operations;  // what `closing` compares OpPróprias with: -1 (True) or false
};

using Descriptor = std::variant<SumField, StoredField, CompositeField, WriteBack, PaymentTotal>;

struct FieldEntry {
  FieldId id;
  std::string_view name;  // the member's name on the interface (or the private name)
  Descriptor descriptor;
};

// Every entry, in FieldId order.
std::span<const FieldEntry> FieldTable();
// The entry of one member.
const FieldEntry& Field(FieldId id);
// The number of entries that are members of the interface (the private ones follow).
size_t InterfaceFieldCount();

// The statement reading the declaration header row: "Select * from tblVEK Where NroVEK="
// followed by the number's text.
inline constexpr std::string_view kHeaderStatement = "Select * from tblVEK Where NroVEK=";

// The statement of a payment total is its select, this text, the number and its closing.
inline constexpr std::string_view kPaymentGroup =
    "From tblPagamento GROUP BY tblPagamento.NroVEK, tblPagamento.OpPróprias "
    "HAVING (((tblPagamento.NroVEK)=";

}  // namespace orvalis::apuracao
