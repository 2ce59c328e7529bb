#include "orvalis/records/ie_substituido.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using S = IESubstituido;

constexpr FieldRow kFields[] = {
    {S::kCódigo, "Código", kZero, kEveryUse},
    {S::kIESubstituido, "IESubstituido", kNull, kEveryUse},
    {S::kNF, "NF", kZero, kEveryUse},
    {S::kValor, "Valor", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, S::kValor));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblIESubstituido", kFields);
  return layout;
}

// The record's Fetch statement; without a note condition when `nf` is Missing.
std::string FetchStatement(std::string_view código, std::string_view ie, const Variant& nf) {
  const std::string head = Sql("SELECT * ", "FROM tblIESubstituido ", "WHERE (Código = ", código,
                               ") And ", "(IESubstituido Like '", ie);
  if (nf.IsMissing()) return Sql(head, "') ", "ORDER BY IESubstituido");
  return Sql(head, "') and ", "(NF='", Quoted(nf), "')", "ORDER BY IESubstituido");
}

}  // namespace

IESubstituido::IESubstituido()
    : OccurrenceDetail(Layout(), "SELECT * FROM tblIESubstituido", CreateErrors::kTrapped) {}

const ClassInfo& IESubstituido::Class() const {
  static const ClassInfo info =
      records::RecordMembers("IESubstituido", &IESubstituido::Fetch, Layout(), 2).Build();
  return info;
}

void IESubstituido::Fetch(const Variant& código, const Variant& ie_substituido,
                          const Variant& nro_nf) {
  Trap("Fetch", [&] { FetchRow(FetchStatement(Bare(código), Quoted(ie_substituido), nro_nf)); });
}

std::string IESubstituido::ReloadStatement() const {
  return FetchStatement(Bare(Get(kCódigo)), LikeLiteral(Get(kIESubstituido)), Get(kNF));
}

std::string IESubstituido::DeleteStatement() const {
  return Sql("SELECT * FROM tblIESubstituido ", "WHERE (Código = ", Bare(Get(kCódigo)), ") And ",
             "(IESubstituido Like '", Quoted(Get(kIESubstituido)), "') And ", "(NF='",
             Quoted(Get(kNF)), "')");
}

IESubstituidos::IESubstituidos() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& IESubstituidos::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("IESubstituidos", 1, &IESubstituidos::Fetch);
  return info;
}

void IESubstituidos::Fetch(const Variant& p_código, const Variant& p_ie_substituido) {
  RunFetch([&] {
    return DetailListStatement(
        {"FROM tblIESubstituido ", "(IESubstituido Like '", "ORDER BY IESubstituido"}, p_código,
        p_ie_substituido);
  });
}

}  // namespace orvalis
