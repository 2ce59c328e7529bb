#include "orvalis/records/ie_remetente.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using R = IERemetente;

constexpr FieldRow kFields[] = {
    {R::kCódigo, "Código", kZero, kEveryUse},
    {R::kIERemetente, "IERemetente", Text(""), kEveryUse},
    {R::kValor, "Valor", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, R::kValor));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblIEsRemetente", kFields);
  return layout;
}

std::string FetchStatement(std::string_view código, std::string_view ie) {
  return Sql("SELECT Código, IERemetente, Valor ", "FROM tblIEsRemetente ",
             "WHERE (Código = ", código, ") And ", "(IERemetente Like '", ie, "')",
             "ORDER BY IERemetente");
}

}  // namespace

IERemetente::IERemetente()
    : OccurrenceDetail(Layout(), "SELECT * FROM tblIEsRemetente", CreateErrors::kRaised) {}

const ClassInfo& IERemetente::Class() const {
  static const ClassInfo info =
      records::RecordMembers("IERemetente", &IERemetente::Fetch, Layout()).Build();
  return info;
}

void IERemetente::Fetch(const Variant& código, const Variant& ie_remetente) {
  Trap("Fetch", [&] { FetchRow(FetchStatement(Bare(código), Quoted(ie_remetente))); });
}

std::string IERemetente::ReloadStatement() const {
  return FetchStatement(Bare(Get(kCódigo)), LikeLiteral(Get(kIERemetente)));
}

std::string IERemetente::DeleteStatement() const {
  return Sql("SELECT * FROM tblIEsRemetente ", "WHERE (Código = ", Bare(Get(kCódigo)), ") And ",
             "(IERemetente Like '", Quoted(Get(kIERemetente)), "')");
}

IEsRemetentes::IEsRemetentes() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& IEsRemetentes::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("IEsRemetentes", 1, &IEsRemetentes::Fetch);
  return info;
}

void IEsRemetentes::Fetch(const Variant& p_código, const Variant& p_ie_remetente) {
  RunFetch([&] {
    return DetailListStatement(
        {"FROM tblIEsRemetente ", "(IERemetente Like '", "ORDER BY IERemetente"}, p_código,
        p_ie_remetente);
  });
}

}  // namespace orvalis
