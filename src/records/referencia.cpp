#include "orvalis/records/referencia.h"

#include <cmath>
#include <string>

#include "component/utf8.h"
#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using R = Referencia;

// Ref1 as Create and Update store it: the date without its time of day, so that Fetch
// (which compares day-first dates) finds it. A Null or Empty Ref1 is refused with 94, a
// text that is no date with 13.
Variant DayOfRef1(const Variant& held) {
  if (held.IsNull() || held.IsEmpty()) throw MakeError(ErrorCode::kInvalidUseOfNull);
  return Variant(Date(std::trunc(ToDate(held).serial())));
}

constexpr FieldRow kFields[] = {
    {R::kNroVEK, "NroVEK", kZero, kRead},
    {R::kIE, "IE", kNull, kEveryUse},
    {R::kTipo, "Tipo", Number(1), kEveryUse},
    {R::kRegTrib, "RegTrib", kNull, kEveryUse},
    FieldRow{R::kRef1, "Ref1", kNull, kEveryUse}.Writing(DayOfRef1),
    {R::kRef2, "Ref2", kNull, kEveryUse},
    {R::kMovimento, "Movimento", kFalse, kEveryUse},
    {R::kSaldoCredor, "SaldoCredor", kZero, kEveryUse},
    {R::kSaldoCredAntDig, "SaldoCredAntDig", kZero, kEveryUse},
    {R::kSaldoCredAntDigST, "SaldoCredAntDigST", kZero, kFetch | kWrite},
    {R::kTransmitida, "Transmitida", kZero, kEveryUse},
    {R::kOrigem, "Origem", kNull, kFetch | kWrite},
    {R::kOrigemPrefDig, "OrigemPrefDig", kNull, kFetch | kWrite},
    FieldRow{R::kIcmsFixPerRES, "IcmsFixPerRES", kNull, kFetch | kWrite}.Column("ICMSFixPerRES"),
};
static_assert(InFieldOrder(kFields, R::kIcmsFixPerRES));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblVEK", kFields);
  return layout;
}

// The statement of the record's Fetch: the header of taxpayer `ie` and month `ref`.
std::string FetchStatement(const Variant& ie, std::string_view ref) {
  return Sql("Select * from tblVEK ", "Where (IE='", Quoted(ie), "') And", "(Ref1 = #",
             DateLiteralText(ref), "#)");
}

// The first 10 characters of the text of `ref` (a date gives its dd/mm/yyyy text first).
std::string FirstTenOf(const Variant& ref) {
  return std::string(FirstCharacters(ValueText(ref), 10));
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
    FetchRow(FetchStatement(ie, FirstTenOf(ref)));
  });
}

void Referencia::CreateRow() {
  Recordset& added = AddRow("Select * from tblVEK");
  const Variant nro_vek = added.GetValue("NroVEK");
  added.Close();
  // Fetch's statement reloads it, but the row kept is the one just added: two headers
  // may share a taxpayer and a month.
  ReleaseRecordset();
  Recordset& found = Open(FetchStatement(Get(kIE), FirstTenOf(DayOfRef1(Get(kRef1)))));
  while (!found.IsEof() && !(found.GetValue("NroVEK") == nro_vek)) found.MoveNext();
  if (found.IsEof()) {
    Clear();
  } else {
    Load(found, kFetch);
  }
}

void Referencia::DeleteRow() { Current().Delete(); }

void Referencia::UpdateRow() { EditRow(Current()); }

Referencias::Referencias() : RecordCollection(WalkRule::kRecordCount) {}

const ClassInfo& Referencias::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("Referencias", 1, &Referencias::Fetch, {.last_name = "MoveLast"});
  return info;
}

void Referencias::Fetch(std::string_view p_ie, const Variant& p_ref1) {
  RunFetch([&] {
    if (p_ref1.IsMissing())
      return Sql("Select * from tblVEK Where (IE='", DoubleQuotes(p_ie), "')");
    return Sql("Select * from tblVEK ", "Where (IE='", DoubleQuotes(p_ie), "') And", "(Ref1 like #",
               DateLiteralText(ValueText(p_ref1)), "#)");
  });
}

}  // namespace orvalis
