#include "orvalis/records/ocorrencia.h"

#include <string>

#include "orvalis/sql_text.h"
#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using O = Ocorrência;

constexpr RecordField kFields[] = {
    {"NroVEK"},
    {"Código"},
    {"CódSubItem"},
    {"FLegal"},
    {"Ocorrência"},
    {"Valor"},
    {"opPróprias", "OpPróprias"},
};

// What Create and Update write: everything but the counter Código.
constexpr size_t kWritten[] = {O::kNroVEK,     O::kCódSubItem, O::kFLegal,
                               O::kOcorrência, O::kValor,      O::kOpPróprias};

constexpr size_t kItemFields[] = {O::kNroVEK, O::kCódigo, O::kCódSubItem, O::kOcorrência,
                                  O::kFLegal, O::kValor,  O::kOpPróprias};

const RecordLayout& Layout() {
  static const RecordLayout layout{kFields,
                                   {Variant::Integer(0), Variant::Integer(-1), Variant(""),
                                    Variant(""), Variant(""), Variant::Integer(0), Variant(true)}};
  return layout;
}

// The statement Update edits through; Create reloads its new row with it too.
std::string CodeStatement(const Variant& código) {
  return "Select * from tblOcorrências Where " + ("Código=" + SqlBareValue(código));
}

std::string DeclarationCondition(const Variant& nro_vek) {
  return "SELECT * " + ("FROM tblOcorrências " + ("WHERE ((NroVEK = " + SqlBareValue(nro_vek)));
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
    FetchRow(DeclarationCondition(nro_vek) + ") And " + "(CódSubItem Like '" +
                 SqlValueText(cód_sub_item) + "') And " +
                 "(OpPróprias = " + SqlBareValue(op_próprias) + ")) " + "ORDER BY Código",
             layout().all());
  });
}

void Ocorrência::Create() {
  Trap("Create", [&] {
    Recordset& added = AddRow("Select * From tblOcorrências", kWritten);
    const Variant código = added.GetValue("Código");
    added.Close();
    // The row just added, by its own Código: the first occurrence of the same
    // declaration, kind and sub-item may be another one.
    FetchRow(CodeStatement(código), layout().all());
  });
}

void Ocorrência::Delete() {
  Trap("Delete", [&] {
    Open("Select * " + ("From tblOcorrências " + ("Where Código = " + SqlBareValue(Get(kCódigo)))))
        .Delete();
  });
}

void Ocorrência::Update() {
  Trap("Update", [&] { EditRow(*OpenOnDatabase(CodeStatement(Get(kCódigo))), kWritten); });
}

Ocorrências::Ocorrências() : RecordCollection({kItemFields, {}}, WalkRule::kEndOfFile) {}

const ClassInfo& Ocorrências::Class() const {
  static const ClassInfo info = records::CollectionMembers("Ocorrências", 2, &Ocorrências::Fetch);
  return info;
}

void Ocorrências::Fetch(const Variant& p_nro_vek, bool p_op_próprias,
                        const Variant& p_cód_subitem) {
  RunFetch([&] {
    const std::string prefix = p_op_próprias ? "" : "NOT ";
    if (p_cód_subitem.IsMissing()) {
      return DeclarationCondition(p_nro_vek) + ") And (" + prefix + "opPróprias " + ")) " +
             "ORDER BY Código";
    }
    return DeclarationCondition(p_nro_vek) + ") And (" + prefix + " opPróprias " + ") And " +
           "(CódSubItem Like '" + SqlValueText(p_cód_subitem) + "'))" + "ORDER BY Código";
  });
}

}  // namespace orvalis
