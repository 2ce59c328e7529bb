// The rules that the ICMS members apply, written once for the members themselves
// (icms.cpp) and for the one-pass apuração (one_pass.cpp): the declaration number as the
// statements carry it and its guards, the choices a sum field makes before its query, the
// money texts made of what a query found, and the composition of a field from its parts.
//
// Everything reads the calling thread's state (ThisThread()) and the current settings.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "apuracao/icms_fields.h"
#include "orvalis/database.h"
#include "orvalis/variant.h"

namespace orvalis::apuracao {

inline constexpr std::string_view kZeroMoney = "0,00";
inline constexpr std::string_view kClampedZeroMoney = "0,00 ";

// The thread's current declaration number, shared by its ICMS objects.
const Variant& CurrentNumber();

// The number as its statements carry it: a number's digits, a text as it stands when it
// reads as a number (any other text raises 13), Empty as nothing.
std::string NumberText();

// Whether the number equals the number -1 as the runtime compares a value with a numeric
// constant: a numeric value of -1 (True included), or a text that reads as -1.
bool IsMinusOne(const Variant& number);

// Whether the number equals the empty text: never set, or set to "".
bool IsEmptyText(const Variant& number);

std::string Join(std::initializer_list<std::string_view> parts);

// "Select * from tblVEK Where NroVEK=" and the number: the declaration's header row.
std::string HeaderStatement();

// Opens `sql` and reads `column` of its first row; nothing when the query yields no row.
std::optional<Variant> FirstRowValue(Database& db, const std::string& sql, std::string_view column);

// The guard of a field that needs the settings' database (064 RPA): whether `db` is the
// database open under the thread's current file name. Raises 3265 when that name is empty
// or not open.
bool IsSettingsDatabase(const Database* db);

// Whether a sum field chooses its SELECT fragment by the reference period.
bool ChoosesByPeriod(const SumField& field);

// The SELECT fragment of a sum field for the reference-period comparison `ref_data`
// (RefData's 0, 1 or 2): `select`, or `select_from_cutover` unless it is 1.
std::string_view SelectFor(const SumField& field, int16_t ref_data);

// The SELECT fragment of a sum field for the current reference period. Raises RefData's
// error (13) for a field that chooses.
std::string_view ChosenSelect(const SumField& field);

// The text of a sum the engine found: "0,00" for Null, else "#,##0.00".
Variant SumText(const Variant& sum);

// The text of a header column: "0,00" without a row or for Null, else "#,##0.00".
Variant StoredText(const std::optional<Variant>& value);

// A payment total from the value its query read (nothing: no row): Empty for a sum and
// the integer 0 for a count without a row, the integer 0 for Null, else the value.
Variant PaymentValue(const std::optional<Variant>& value, bool is_count);

// A composite field: each part, as `part(id)` gives it, read as exact currency (Empty as
// 0; blanks around, full stops between groups and the decimal comma understood), added or
// subtracted in order; "0,00 " for a clamped field below zero. An error of a part or of
// its conversion ends the composite.
template <class Part>
Variant CompositeOf(const CompositeField& field, Part&& part) {
  Currency total;
  for (size_t i = 0; i < field.term_count; ++i) {
    const Currency value = ToCurrency(part(field.terms[i].field));
    total = field.terms[i].subtract ? total - value : total + value;
  }
  if (field.clamp_below_zero && total < Currency()) return Variant(kClampedZeroMoney);
  return Variant(FormatMoney(total));
}

}  // namespace orvalis::apuracao
