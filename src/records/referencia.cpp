#include "orvalis/records/referencia.h"
#include "orvalis/utf8.h"

#include <cstdio>
#include <string>

#include "orvalis/sql_text.h"
#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using records::DateLiteralText;
using records::ValueText;

constexpr RecordField kFields[] = {
    {"NroVEK"},
    {"IE"},
    {"Tipo"},
    {"RegTrib"},
    {"Ref1"},
    {"Ref2"},
    {"Movimento"},
    {"SaldoCredor"},
    {"SaldoCredAntDig"},
    {"SaldoCredAntDigST"},
    {"Transmitida"},
    {"Origem"},
    {"OrigemPrefDig"},
    {"IcmsFixPerRES", "ICMSFixPerRES"},
};

constexpr size_t kItemFields[] = {
    Referencia::kNroVEK,      Referencia::kIE,          Referencia::kTipo,
    Referencia::kRegTrib,     Referencia::kRef1,        Referencia::kRef2,
    Referencia::kMovimento,   Referencia::kSaldoCredor, Referencia::kSaldoCredAntDig,
    Referencia::kTransmitida,
};

const RecordLayout& Layout() {
  static const RecordLayout layout = [] {
    RecordLayout cleared{kFields, std::vector<Variant>(std::size(kFields), Variant::Null())};
    for (size_t zero : {Referencia::kNroVEK, Referencia::kSaldoCredor, Referencia::kSaldoCredAntDig,
                        Referencia::kSaldoCredAntDigST, Referencia::kTransmitida}) {
      cleared.defaults[zero] = Variant::Integer(0);
    }
    cleared.defaults[Referencia::kTipo] = Variant::Integer(1);
    cleared.defaults[Referencia::kMovimento] = Variant(false);
    return cleared;
  }();
  return layout;
}

// What Create and Update write: everything but the counter NroVEK.
std::span<const size_t> Written() { return Layout().all().subspan(1); }

std::string TaxpayerCondition(std::string_view ie) {
  return "Where (IE='" + DoubleQuotes(ie) + "') And";
}

// Ref1 as Create reloads it: day first, "dd/mm/yyyy"; Null and Empty stay as they are.
Variant DayFirstText(const Variant& ref1) {
  if (ref1.IsNull() || ref1.IsEmpty()) return ref1;
  int year = 0;
  int month = 0;
  int day = 0;
  ToDate(ref1).ToYmd(year, month, day);
  char text[16];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", day, month, year);
  return Variant(text);
}

}  // namespace

Referencia::Referencia() : RecordBase(Layout()) {}

const ClassInfo& Referencia::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Referencia", &Referencia::Fetch, Layout()).Build();
  return info;
}

void Referencia::Fetch(const Variant& ie, const Variant& ref) {
  Trap("Fetch", [&] {
    ReleaseRecordset();
    const std::string ref_text = ValueText(ref);
    FetchRow("Select * from tblVEK " + TaxpayerCondition(ValueText(ie)) + "(Ref1 = #" +
                 DateLiteralText(FirstCharacters(ref_text, 10)) + "#)",
             layout().all());
  });
}

void Referencia::Create() {
  Trap("Create", [&] {
    AddRow("Select * from tblVEK", Written()).Close();
    const Variant ie = Get(kIE);
    Fetch(ie, DayFirstText(Get(kRef1)));
  });
}

void Referencia::Delete() {
  Trap("Delete", [&] { Current().Delete(); });
}

void Referencia::Update() {
  Trap("Update", [&] { EditRow(Current(), Written()); });
}

Referencias::Referencias() : RecordCollection({kItemFields, {}}, WalkRule::kRecordCount) {}

const ClassInfo& Referencias::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("Referencias", 1, &Referencias::Fetch, "MoveLast");
  return info;
}

void Referencias::Fetch(std::string_view p_ie, const Variant& p_ref1) {
  RunFetch([&] {
    if (p_ref1.IsMissing()) return "Select * from tblVEK Where (IE='" + DoubleQuotes(p_ie) + "')";
    return "Select * from tblVEK " + TaxpayerCondition(p_ie) + "(Ref1 like #" +
           DateLiteralText(ValueText(p_ref1)) + "#)";
  });
}

}  // namespace orvalis
