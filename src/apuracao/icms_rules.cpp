#include "apuracao/icms_rules.h"

#include "orvalis/corrige_converte_db.h"
#include "database/module_state.h"
#include "engine/sql_text.h"

namespace orvalis::apuracao {

const Variant& CurrentNumber() { return ThisThread().icms_number; }

std::string NumberText() { return SqlBareValue(CurrentNumber()); }

bool IsMinusOne(const Variant& number) {
  if (number.IsNumeric()) return ToDouble(number) == -1;
  if (number.IsString()) {
    const auto read = ParseNumber(number.string_value());
    return read && *read == -1;
  }
  return false;
}

bool IsEmptyText(const Variant& number) {
  return number.IsEmpty() || (number.IsString() && number.string_value().empty());
}

std::string Join(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string joined;
  joined.reserve(size);
  for (std::string_view part : parts) joined.append(part);
  return joined;
}

std::string HeaderStatement() { return Join({kHeaderStatement, NumberText()}); }

std::optional<Variant> FirstRowValue(Database& db, const std::string& sql,
                                     std::string_view column) {
  auto rs = db.OpenRecordset(sql);
  std::optional<Variant> value;
  if (!rs->IsEof()) value = rs->GetValue(column);
  rs->Close();
  return value;
}

bool IsSettingsDatabase(const Database* db) {
  return BindDatabase(ThisThread().icms_database_name).get() == db;
}

bool ChoosesByPeriod(const SumField& field) { return !field.select_from_cutover.empty(); }

std::string_view SelectFor(const SumField& field, int16_t ref_data) {
  return ChoosesByPeriod(field) && ref_data != 1 ? field.select_from_cutover : field.select;
}

std::string_view ChosenSelect(const SumField& field) {
  return ChoosesByPeriod(field) ? SelectFor(field, database::RefData()) : field.select;
}

Variant SumText(const Variant& sum) {
  return sum.IsNull() ? Variant(kZeroMoney) : Variant(FormatMoney(sum));
}

Variant StoredText(const std::optional<Variant>& value) {
  if (!value) return Variant(kZeroMoney);
  return Variant(FormatMoney(value->IsNull() ? Variant(kZeroMoney) : *value));
}

Variant PaymentValue(const std::optional<Variant>& value, bool is_count) {
  if (!value) return is_count ? Variant::Integer(0) : Variant();
  return value->IsNull() ? Variant::Integer(0) : *value;
}

}  // namespace orvalis::apuracao
