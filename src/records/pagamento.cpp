#include "orvalis/records/pagamento.h"
#include "orvalis/sql_text.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using P = Pagamento;

constexpr RecordField kFields[] = {
    {"NroVEK"}, {"PagtoID"}, {"opPróprias", "OpPróprias"}, {"Data"}, {"Valor"}};

// The order in which Fetch and the collection's Item read the columns.
constexpr size_t kReadOrder[] = {P::kNroVEK, P::kOpPróprias, P::kPagtoID, P::kData, P::kValor};
// What Create and Update write: everything but the counter PagtoID.
constexpr size_t kWritten[] = {P::kNroVEK, P::kOpPróprias, P::kData, P::kValor};

const RecordLayout& Layout() {
  static const RecordLayout layout{
      kFields,
      {Variant::Integer(0), Variant::Integer(-1), Variant(true), Variant(""), Variant::Integer(0)}};
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
    FetchRow(
        "SELECT * " + ("FROM tblPagamento " + ("WHERE (PagtoID = " + SqlBareValue(pagto_id))) + ")",
        kReadOrder);
  });
}

void Pagamento::Create() {
  Trap("Create", [&] {
    Recordset& added = AddRow("Select * From tblPagamento", kWritten);
    Set(kPagtoID, added.GetValue("PagtoID"));
    added.Close();
  });
}

void Pagamento::Delete() {
  Trap("Delete", [&] {
    Open("Select * " + ("From tblPagamento " + ("Where PagtoID = " + SqlBareValue(Get(kPagtoID)))))
        .Delete();
  });
}

void Pagamento::Update() {
  Trap("Update", [&] {
    EditRow(*OpenOnDatabase("Select * from tblPagamento Where " +
                            ("PagtoID=" + SqlBareValue(Get(kPagtoID)))),
            kWritten);
  });
}

Pagamentos::Pagamentos() : RecordCollection({kReadOrder, {}}, WalkRule::kEndOfFile) {}

const ClassInfo& Pagamentos::Class() const {
  static const ClassInfo info = records::CollectionMembers("Pagamentos", 2, &Pagamentos::Fetch);
  return info;
}

void Pagamentos::Fetch(const Variant& p_nro_vek, bool p_op_próprias) {
  RunFetch([&] {
    return "SELECT * " + ("FROM tblPagamento " + ("WHERE ((NroVEK = " + SqlBareValue(p_nro_vek))) +
           ") And (" + (p_op_próprias ? "" : "NOT ") + " opPróprias)) " + "ORDER BY cdate(Data)";
  });
}

}  // namespace orvalis
