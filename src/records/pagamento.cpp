#include "orvalis/records/pagamento.h"

#include <regex>
#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using P = Pagamento;

// Data as Create and Update store it: only a real day-first date ("15/01/2005"), so that
// the list ordered by cdate(Data) can read every stored payment. Null or Empty is refused
// with 94, any other text with 13.
Variant RealDayFirstDate(const Variant& held) {
  if (held.IsNull() || held.IsEmpty()) throw MakeError(ErrorCode::kInvalidUseOfNull);
  static const std::regex kDayFirst(R"(\d{1,2}/\d{1,2}/(\d{2}|\d{4}))");
  const std::string text = ToText(held);
  if (!std::regex_match(text, kDayFirst) || !ParseDate(text)) {
    throw MakeError(ErrorCode::kTypeMismatch);
  }
  return held;
}

constexpr FieldRow kFields[] = {
    {P::kNroVEK, "NroVEK", kZero, kEveryUse},
    FieldRow{P::kOpPróprias, "opPróprias", kTrue, kEveryUse}.Column("OpPróprias"),
    {P::kPagtoID, "PagtoID", Number(-1), kRead},
    FieldRow{P::kData, "Data", Text(""), kEveryUse}.Writing(RealDayFirstDate),
    {P::kValor, "Valor", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, P::kValor));

constexpr size_t kSlotOrder[] = {P::kNroVEK, P::kPagtoID, P::kOpPróprias, P::kData, P::kValor};

const RecordLayout& Layout() {
  static const RecordLayout layout("tblPagamento", kFields, kSlotOrder);
  return layout;
}

}  // namespace

Pagamento::Pagamento() : RecordBase(Layout()) {}

const ClassInfo& Pagamento::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Pagamento", &Pagamento::Fetch, Layout()).Build();
  return info;
}

void Pagamento::Fetch(const Variant& pagto_id) {
  Trap("Fetch", [&] {
    FetchRow(Sql("SELECT * ", "FROM tblPagamento ", "WHERE (PagtoID = ", Bare(pagto_id), ")"));
  });
}

void Pagamento::CreateRow() {
  Recordset& added = AddRow("Select * From tblPagamento");
  Store(kPagtoID, added.GetValue("PagtoID"));
  added.Close();
}

void Pagamento::DeleteRow() {
  Open(Sql("Select * ", "From tblPagamento ", "Where PagtoID = ", Bare(Get(kPagtoID)))).Delete();
}

void Pagamento::UpdateRow() {
  EditRow(
      *OpenOnDatabase(Sql("Select * from tblPagamento Where ", "PagtoID=", Bare(Get(kPagtoID)))));
}

Pagamentos::Pagamentos() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& Pagamentos::Class() const {
  static const ClassInfo info = records::CollectionMembers("Pagamentos", 2, &Pagamentos::Fetch);
  return info;
}

void Pagamentos::Fetch(const Variant& p_nro_vek, bool p_op_próprias) {
  RunFetch([&] {
    return Sql("SELECT * ", "FROM tblPagamento ", "WHERE ((NroVEK = ", Bare(p_nro_vek), ") And (",
               p_op_próprias ? "" : "NOT ", " opPróprias)) ", "ORDER BY cdate(Data)");
  });
}

}  // namespace orvalis
