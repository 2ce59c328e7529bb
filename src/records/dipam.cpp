#include "orvalis/records/dipam.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using D = DIPAM;

constexpr FieldRow kFields[] = {
    {D::kNroVEK, "NroVEK", kZero, kRead | kCreate},
    {D::kCódigo, "Código", kZero, kRead},
    {D::kCódDIPAM, "CódDIPAM", kNull, kRead | kCreate},
    {D::kMunicípio, "Município", kNull, kRead | kJoined},
    FieldRow{D::kCódMunicípio, "CódMunicípio", kNull, kEveryUse}
        .Column("Município")
        .ReadFrom("CódMunicípio"),
    {D::kValor, "Valor", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, D::kValor));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblDIPAM", kFields);
  return layout;
}

// The head both fetches share, its fragments one to a line.
constexpr std::string_view kHead =
    "SELECT tblDIPAM.NroVEK, "
    "tblDIPAM.Código, "
    "tblDIPAM.CódDIPAM, "
    "tblDIPAM.Município AS CódMunicípio, "
    "tblMunicípios.Município, "
    "tblDIPAM.Valor "
    "FROM tblDIPAM LEFT JOIN tblMunicípios ON tblDIPAM.Município = tblMunicípios.CódMunicípio ";

// The statement of Delete and Update.
std::string CodeStatement(const Variant& código) {
  return Sql("Select * from tblDIPAM ", "Where Código = ", Bare(código));
}

}  // namespace

DIPAM::DIPAM() : RecordBase(Layout()) {}

const ClassInfo& DIPAM::Class() const {
  static const ClassInfo info = records::RecordMembers("DIPAM", &DIPAM::Fetch, Layout()).Build();
  return info;
}

void DIPAM::Fetch(const Variant& s_código) {
  Trap("Fetch", [&] {
    FetchRow(Sql(kHead, "WHERE (((tblDIPAM.Código) = ", Bare(s_código), ")) ",
                 "ORDER BY tblMunicípios.Município"),
             WhenNoRow::kKeep);
  });
}

void DIPAM::CreateRow() {
  Recordset& added = AddRow("Select * from tblDIPAM");
  Set(kCódigo, added.GetValue("Código"));
}

void DIPAM::DeleteRow() { Open(CodeStatement(Get(kCódigo))).Delete(); }

void DIPAM::UpdateRow() {
  Recordset& rs = Open(CodeStatement(Get(kCódigo)));
  EditRow(rs);
  rs.Close();
}

DIPAMs::DIPAMs() : RecordCollection(WalkRule::kRecordCount) {}

const ClassInfo& DIPAMs::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("DIPAMs", 2, &DIPAMs::Fetch, {.last_name = "MoveLast"});
  return info;
}

void DIPAMs::Fetch(const Variant& nro_vek, const Variant& cód_dipam, const Variant& cód_município) {
  RunFetch([&] {
    if (cód_município.IsMissing()) {
      return Sql(kHead, "WHERE (tblDIPAM.NroVEK = ", Bare(nro_vek), ") AND ",
                 "(tblDIPAM.CódDIPAM = '", Quoted(cód_dipam), "') ",
                 "ORDER BY tblMunicípios.Município");
    }
    return Sql(kHead, "WHERE (tblDIPAM.NroVEK = ", Bare(nro_vek), ") AND ",
               "(tblDIPAM.CódDIPAM = '", Quoted(cód_dipam), "') AND ", "(tblDIPAM.Município Like '",
               Quoted(cód_município), "') ", "ORDER BY tblMunicípios.Município");
  });
}

}  // namespace orvalis
