#include "orvalis/records/ocorrencias_credito.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using O = OcorrenciasCredito;

constexpr FieldRow kFields[] = {
    {O::kCódigo, "Código", kZero, kEveryUse},
    {O::kCodAutorização, "CodAutorização", Text(""), kEveryUse},
    {O::kValor, "Valor", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, O::kValor));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblRecibosCredito", kFields);
  return layout;
}

std::string FetchStatement(std::string_view código, std::string_view aut) {
  return Sql("SELECT Código, CodAutorização, Valor ", "FROM tblRecibosCredito ",
             "WHERE (Código = ", código, ") And ", "(CodAutorização Like '", aut, "')",
             "ORDER BY CodAutorização");
}

}  // namespace

OcorrenciasCredito::OcorrenciasCredito()
    : OccurrenceDetail(Layout(), "SELECT * FROM tblRecibosCredito", CreateErrors::kRaised) {}

const ClassInfo& OcorrenciasCredito::Class() const {
  static const ClassInfo info =
      records::RecordMembers("OcorrenciasCredito", &OcorrenciasCredito::Fetch, Layout()).Build();
  return info;
}

void OcorrenciasCredito::Fetch(const Variant& código, const Variant& cod_autorização) {
  Trap("Fetch", [&] { FetchRow(FetchStatement(Bare(código), Quoted(cod_autorização))); });
}

std::string OcorrenciasCredito::ReloadStatement() const {
  return FetchStatement(Bare(Get(kCódigo)), LikeLiteral(Get(kCodAutorização)));
}

std::string OcorrenciasCredito::DeleteStatement() const {
  return Sql("SELECT * FROM tblRecibosCredito ", "WHERE (Código = ", Bare(Get(kCódigo)), ") And ",
             "(CodAutorização Like '", Quoted(Get(kCodAutorização)), "')");
}

OcorrenciasCreditos::OcorrenciasCreditos() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& OcorrenciasCreditos::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("OcorrenciasCreditos", 1, &OcorrenciasCreditos::Fetch);
  return info;
}

void OcorrenciasCreditos::Fetch(const Variant& p_código, const Variant& p_cod_autorização) {
  RunFetch([&] {
    return DetailListStatement(
        {"FROM tblRecibosCredito ", "(CodAutorização Like '", "ORDER BY CodAutorização"}, p_código,
        p_cod_autorização);
  });
}

}  // namespace orvalis
