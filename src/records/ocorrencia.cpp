#include "orvalis/records/ocorrencia.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using O = Ocorrência;

constexpr FieldRow kFields[] = {
    {O::kNroVEK, "NroVEK", kZero, kEveryUse},
    {O::kCódigo, "Código", Number(-1), kRead},
    {O::kCódSubItem, "CódSubItem", Text(""), kEveryUse},
    {O::kFLegal, "FLegal", Text(""), kEveryUse},
    {O::kOcorrência, "Ocorrência", Text(""), kEveryUse},
    {O::kValor, "Valor", kZero, kEveryUse},
    FieldRow{O::kOpPróprias, "opPróprias", kTrue, kEveryUse}.Column("OpPróprias"),
};
static_assert(InFieldOrder(kFields, O::kOpPróprias));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblOcorrências", kFields);
  return layout;
}

// The statement Update edits through; Create reloads its new row with it too.
std::string CodeStatement(const Variant& código) {
  return Sql("Select * from tblOcorrências Where ", "Código=", Bare(código));
}

}  // namespace

Ocorrência::Ocorrência() : RecordBase(Layout()) {}

const ClassInfo& Ocorrência::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Ocorrência", &Ocorrência::Fetch, Layout()).Build();
  return info;
}

void Ocorrência::Fetch(const Variant& nro_vek, const Variant& op_próprias,
                       const Variant& cód_sub_item) {
  Trap("Fetch", [&] {
    FetchRow(Sql("SELECT * ", "FROM tblOcorrências ", "WHERE ((NroVEK = ", Bare(nro_vek), ") And ",
                 "(CódSubItem Like '", Quoted(cód_sub_item), "') And ",
                 "(OpPróprias = ", Bare(op_próprias), ")) ", "ORDER BY Código"));
  });
}

void Ocorrência::CreateRow() {
  Recordset& added = AddRow("Select * From tblOcorrências");
  const Variant código = added.GetValue("Código");
  added.Close();
  // The row just added, by its own Código: the first occurrence of the same
  // declaration, kind and sub-item may be another one.
  FetchRow(CodeStatement(código));
}

void Ocorrência::DeleteRow() {
  Open(Sql("Select * ", "From tblOcorrências ", "Where Código = ", Bare(Get(kCódigo)))).Delete();
}

void Ocorrência::UpdateRow() { EditRow(*OpenOnDatabase(CodeStatement(Get(kCódigo)))); }

Ocorrências::Ocorrências() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& Ocorrências::Class() const {
  static const ClassInfo info = records::CollectionMembers("Ocorrências", 2, &Ocorrências::Fetch);
  return info;
}

void Ocorrências::Fetch(const Variant& p_nro_vek, bool p_op_próprias,
                        const Variant& p_cód_subitem) {
  RunFetch([&] {
    const std::string_view prefix = p_op_próprias ? "" : "NOT ";
    if (p_cód_subitem.IsMissing()) {
      return Sql("SELECT * ", "FROM tblOcorrências ", "WHERE ((NroVEK = ", Bare(p_nro_vek),
                 ") And (", prefix, "opPróprias ", ")) ", "ORDER BY Código");
    }
    return Sql("SELECT * ", "FROM tblOcorrências ", "WHERE ((NroVEK = ", Bare(p_nro_vek), ") And (",
               prefix, " opPróprias ", ") And ", "(CódSubItem Like '", Quoted(p_cód_subitem), "'))",
               "ORDER BY Código");
  });
}

}  // namespace orvalis
