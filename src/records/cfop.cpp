#include "orvalis/records/cfop.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using C = CFOP;

constexpr FieldRow kFields[] = {
    {C::kNroVEK, "NroVEK", kZero, kRead | kCreate},
    {C::kCFOP, "CFOP", kNull, kRead | kCreate},
    {C::kValorContábil, "ValorContábil", kZero, kEveryUse},
    {C::kBaseCálculo, "BaseCálculo", kZero, kEveryUse},
    {C::kImposto, "Imposto", kZero, kEveryUse},
    {C::kIsentasNãoTrib, "IsentasNãoTrib", kZero, kEveryUse},
    {C::kOutras, "Outras", kZero, kEveryUse},
    {C::kImpostoRetidoST, "ImpostoRetidoST", kZero, kEveryUse},
    FieldRow{C::kImpRetSubstitutoST, "ImpRetSubstitutoST", kZero, kEveryUse}.NullAs(kItem,
                                                                                    Text("0")),
    FieldRow{C::kImpRetSubstituido, "ImpRetSubstituido", kZero, kEveryUse}.NullAs(kItem, Text("0")),
    {C::kOutrosImpostos, "OutrosImpostos", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, C::kOutrosImpostos));

const RecordLayout& Layout() {
  static const RecordLayout layout("tblDetalhesCFOPs", kFields);
  return layout;
}

// The statement of Fetch, Update and Delete.
std::string KeyStatement(const Variant& nro_vek, const Variant& cfop) {
  return Sql("Select * from tblDetalhesCFOPs ", "Where (NroVEK = ", Bare(nro_vek), ") And ",
             "(CFOP = '", Quoted(cfop), "')");
}

}  // namespace

CFOP::CFOP() : RecordBase(Layout()) {}

const ClassInfo& CFOP::Class() const {
  static const ClassInfo info =
      records::RecordMembers("CFOP", &CFOP::Fetch, Layout())
          .Method("DeleteZFM_ALC", 2, 2, records::Forward(&CFOP::DeleteZFM_ALC))
          .Build();
  return info;
}

void CFOP::Fetch(const Variant& nro_vek, const Variant& cfop) {
  Trap("Fetch", [&] { FetchRow(KeyStatement(nro_vek, cfop)); });
}

void CFOP::CreateRow() {
  AddRow("Select * from tblDetalhesCFOPs").Close();
  const Variant nro_vek = Get(kNroVEK);
  const Variant cfop = Get(kCFOP);
  Fetch(nro_vek, cfop);
}

void CFOP::DeleteRow() {
  Recordset& rs = Open(KeyStatement(Get(kNroVEK), Get(kCFOP)));
  if (rs.RecordCount() > 0) rs.Delete();
}

void CFOP::UpdateRow() { EditRow(Open(KeyStatement(Get(kNroVEK), Get(kCFOP)))); }

void CFOP::DeleteZFM_ALC(int32_t vek_num, std::string_view cfop_num) {
  Trap("DeleteZFM_ALC", [&] {
    Recordset& rs =
        Open(Sql("Select * from tblZFM_ALC ", "Where (NroVEK = ", std::to_string(vek_num), ") And ",
                 "(CFOP = '", DoubleQuotes(cfop_num), "')"));
    if (rs.RecordCount() > 0) rs.Delete();
  });
}

CFOPs::CFOPs() : RecordCollection(WalkRule::kRecordCount) {}

const ClassInfo& CFOPs::Class() const {
  static const ClassInfo info = records::CollectionMembers("CFOPs", 1, &CFOPs::Fetch);
  return info;
}

void CFOPs::Fetch(const Variant& p_nro_vek, const Variant& p_cfop) {
  RunFetch([&] {
    if (p_cfop.IsMissing()) {
      return Sql("Select * from tblDetalhesCFOPs ", "Where (NroVEK = ", Bare(p_nro_vek), ")");
    }
    return Sql("Select * from tblDetalhesCFOPs ", "Where (NroVEK = ", Bare(p_nro_vek), ") And ",
               "(CFOP Like '", Quoted(p_cfop), "')");
  });
}

}  // namespace orvalis
