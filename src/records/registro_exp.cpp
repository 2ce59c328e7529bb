#include "orvalis/records/registro_exp.h"

#include <string>

#include "orvalis/sql_text.h"
#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

constexpr RecordField kFields[] = {{"NroVEK"}, {"RE"}};

const RecordLayout& Layout() {
  static const RecordLayout layout{kFields, {Variant::Integer(0), Variant::Integer(0)}};
  return layout;
}

std::string DeclarationCondition(const Variant& nro_vek) {
  return "SELECT * " +
         ("FROM tblRegistroExportação " + ("WHERE (NroVEK = " + SqlBareValue(nro_vek)));
}

// The statement of Fetch and Delete, and of the collection's Fetch with a pattern.
std::string PatternStatement(const Variant& nro_vek, const Variant& re) {
  return DeclarationCondition(nro_vek) + ") And " + "(RE Like '" + SqlValueText(re) + "')" +
         "ORDER BY RE";
}

}  // namespace

RegistroExp::RegistroExp() : RecordBase(Layout()) {}

const ClassInfo& RegistroExp::Class() const {
  static const ClassInfo info =
      records::RecordMembers("RegistroExp", &RegistroExp::Fetch, Layout()).Build();
  return info;
}

void RegistroExp::Fetch(const Variant& nro_vek, const Variant& re) {
  Trap("Fetch", [&] {
    const Recordset& rs = Open(PatternStatement(nro_vek, re));
    if (!rs.IsEof()) Load(rs, layout().all());
  });
}

void RegistroExp::Create() {
  Trap("Create", [&] { AddRow("Select * from tblRegistroExportação", layout().all()); });
}

void RegistroExp::Delete() {
  Trap("Delete", [&] { Open(PatternStatement(Get(kNroVEK), Get(kRE))).Delete(); });
}

void RegistroExp::Update() {
  Trap("Update", [&] {
    Recordset& rs = Current();
    EditRow(rs, layout().all());
    rs.Close();
  });
}

RegistroExps::RegistroExps() : RecordCollection({Layout().all(), {}}, WalkRule::kEndOfFile) {}

const ClassInfo& RegistroExps::Class() const {
  static const ClassInfo info = records::CollectionMembers("RegistroExps", 1, &RegistroExps::Fetch);
  return info;
}

void RegistroExps::Fetch(const Variant& p_nro_vek, const Variant& p_re) {
  RunFetch([&] {
    if (p_re.IsMissing()) return DeclarationCondition(p_nro_vek) + ") " + "ORDER BY RE";
    return PatternStatement(p_nro_vek, p_re);
  });
}

}  // namespace orvalis
