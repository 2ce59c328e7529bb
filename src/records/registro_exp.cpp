#include "orvalis/records/registro_exp.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;

constexpr FieldRow kFields[] = {
    {RegistroExp::kNroVEK, "NroVEK", kZero, kEveryUse},
    {RegistroExp::kRE, "RE", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, RegistroExp::kRE));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblRegistroExportação", kFields);
  return layout;
}

// The statement of Fetch and Delete, and of the collection's Fetch with a pattern.
std::string PatternStatement(const Variant& nro_vek, const Variant& re) {
  return Sql("SELECT * ", "FROM tblRegistroExportação ", "WHERE (NroVEK = ", Bare(nro_vek),
             ") And ", "(RE Like '", Quoted(re), "')", "ORDER BY RE");
}

}  // namespace

RegistroExp::RegistroExp() : RecordBase(Layout()) {}

const ClassInfo& RegistroExp::Class() const {
  static const ClassInfo info =
      records::RecordMembers("RegistroExp", &RegistroExp::Fetch, Layout()).Build();
  return info;
}

void RegistroExp::Fetch(const Variant& nro_vek, const Variant& re) {
  Trap("Fetch", [&] { FetchRow(PatternStatement(nro_vek, re), WhenNoRow::kKeep); });
}

void RegistroExp::CreateRow() { AddRow("Select * from tblRegistroExportação"); }

void RegistroExp::DeleteRow() { Open(PatternStatement(Get(kNroVEK), Get(kRE))).Delete(); }

void RegistroExp::UpdateRow() {
  Recordset& rs = Current();
  EditRow(rs);
  rs.Close();
}

RegistroExps::RegistroExps() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& RegistroExps::Class() const {
  static const ClassInfo info = records::CollectionMembers("RegistroExps", 1, &RegistroExps::Fetch);
  return info;
}

void RegistroExps::Fetch(const Variant& p_nro_vek, const Variant& p_re) {
  RunFetch([&] {
    if (p_re.IsMissing()) {
      return Sql("SELECT * ", "FROM tblRegistroExportação ", "WHERE (NroVEK = ", Bare(p_nro_vek),
                 ") ", "ORDER BY RE");
    }
    return PatternStatement(p_nro_vek, p_re);
  });
}

}  // namespace orvalis
