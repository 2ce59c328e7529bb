#include "orvalis/records/ie_substituto.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using S = IESubstituto;

constexpr FieldRow kFields[] = {
    {S::kCódigo, "Código", kZero, kEveryUse},
    {S::kIESubstituto, "IESubstituto", kNull, kEveryUse},
    {S::kNF, "NF", kZero, kEveryUse},
    {S::kValor, "Valor", kZero, kEveryUse},
    {S::kDataInicio, "DataInicio", kNull, kEveryUse},
    {S::kDataFim, "DataFim", kNull, kEveryUse},
};
static_assert(InFieldOrder(kFields, S::kDataFim));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblIESubstituto", kFields);
  return layout;
}

// The record's Fetch statement; without a note condition when `nf` is Missing.
std::string FetchStatement(std::string_view código, std::string_view ie, const Variant& nf) {
  const std::string head = Sql("SELECT * ", "FROM tblIESubstituto ", "WHERE (Código = ", código,
                               ") And ", "(IESubstituto Like '", ie);
  if (nf.IsMissing()) return Sql(head, "')", "ORDER BY IESubstituto");
  return Sql(head, "') and ", "(NF='", Quoted(nf), "')", "ORDER BY IESubstituto");
}

}  // namespace

IESubstituto::IESubstituto()
    : OccurrenceDetail(Layout(), "SELECT * FROM tblIESubstituto", CreateErrors::kTrapped) {}

const ClassInfo& IESubstituto::Class() const {
  static const ClassInfo info =
      records::RecordMembers("IESubstituto", &IESubstituto::Fetch, Layout(), 2).Build();
  return info;
}

void IESubstituto::Fetch(const Variant& código, const Variant& ie_substituto,
                         const Variant& nro_nf) {
  Trap("Fetch", [&] { FetchRow(FetchStatement(Bare(código), Quoted(ie_substituto), nro_nf)); });
}

std::string IESubstituto::ReloadStatement() const {
  return FetchStatement(Bare(Get(kCódigo)), LikeLiteral(Get(kIESubstituto)), Get(kNF));
}

std::string IESubstituto::DeleteStatement() const {
  return Sql("SELECT * FROM tblIESubstituto ", "WHERE (Código = ", Bare(Get(kCódigo)), ") And ",
             "(IESubstituto Like '", Quoted(Get(kIESubstituto)), "')and ", "(NF='",
             Quoted(Get(kNF)), "')");
}

IESubstitutos::IESubstitutos() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& IESubstitutos::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("IESubstitutos", 1, &IESubstitutos::Fetch);
  return info;
}

void IESubstitutos::Fetch(const Variant& p_código, const Variant& p_ie_substituto) {
  RunFetch([&] {
    return DetailListStatement(
        {"FROM tblIESubstituto ", "(IESubstituto Like '", "ORDER BY IESubstituto"}, p_código,
        p_ie_substituto);
  });
}

}  // namespace orvalis
