#include "orvalis/records/cfop.h"

#include <string>

#include "orvalis/sql_text.h"
#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

constexpr RecordField kFields[] = {
    {"NroVEK"},
    {"CFOP"},
    {"ValorContábil"},
    {"BaseCálculo"},
    {"Imposto"},
    {"IsentasNãoTrib"},
    {"Outras"},
    {"ImpostoRetidoST"},
    {"ImpRetSubstitutoST"},
    {"ImpRetSubstituido"},
    {"OutrosImpostos"},
};

// What Update writes: everything but the keys.
constexpr size_t kAmounts[] = {
    CFOP::kValorContábil,
    CFOP::kBaseCálculo,
    CFOP::kImposto,
    CFOP::kIsentasNãoTrib,
    CFOP::kOutras,
    CFOP::kImpostoRetidoST,
    CFOP::kImpRetSubstitutoST,
    CFOP::kImpRetSubstituido,
    CFOP::kOutrosImpostos,
};

constexpr size_t kZeroWhenNullInItem[] = {CFOP::kImpRetSubstitutoST, CFOP::kImpRetSubstituido};

const RecordLayout& Layout() {
  static const RecordLayout layout = [] {
    RecordLayout cleared{kFields, std::vector<Variant>(std::size(kFields), Variant::Integer(0))};
    cleared.defaults[CFOP::kCFOP] = Variant::Null();
    return cleared;
  }();
  return layout;
}

std::string Where(const Variant& nro_vek) {
  return "Select * from tblDetalhesCFOPs " + ("Where (NroVEK = " + SqlBareValue(nro_vek));
}

// The statement of Fetch, Update and Delete.
std::string KeyStatement(const Variant& nro_vek, const Variant& cfop) {
  return Where(nro_vek) + ") And " + "(CFOP = '" + SqlValueText(cfop) + "')";
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
  Trap("Fetch", [&] { FetchRow(KeyStatement(nro_vek, cfop), layout().all()); });
}

void CFOP::Create() {
  Trap("Create", [&] {
    AddRow("Select * from tblDetalhesCFOPs", layout().all()).Close();
    const Variant nro_vek = Get(kNroVEK);
    const Variant cfop = Get(kCFOP);
    Fetch(nro_vek, cfop);
  });
}

void CFOP::Delete() {
  Trap("Delete", [&] {
    Recordset& rs = Open(KeyStatement(Get(kNroVEK), Get(kCFOP)));
    if (rs.RecordCount() > 0) rs.Delete();
  });
}

void CFOP::Update() {
  Trap("Update", [&] { EditRow(Open(KeyStatement(Get(kNroVEK), Get(kCFOP))), kAmounts); });
}

void CFOP::DeleteZFM_ALC(int32_t vek_num, std::string_view cfop_num) {
  Trap("DeleteZFM_ALC", [&] {
    Recordset& rs =
        Open("Select * from tblZFM_ALC " + ("Where (NroVEK = " + std::to_string(vek_num)) +
             ") And " + "(CFOP = '" + DoubleQuotes(cfop_num) + "')");
    if (rs.RecordCount() > 0) rs.Delete();
  });
}

CFOPs::CFOPs()
    : RecordCollection({Layout().all(), {kZeroWhenNullInItem, Variant("0")}},
                       WalkRule::kRecordCount) {}

const ClassInfo& CFOPs::Class() const {
  static const ClassInfo info = records::CollectionMembers("CFOPs", 1, &CFOPs::Fetch);
  return info;
}

void CFOPs::Fetch(const Variant& p_nro_vek, const Variant& p_cfop) {
  RunFetch([&] {
    if (p_cfop.IsMissing()) return Where(p_nro_vek) + ")";
    return Where(p_nro_vek) + ") And " + "(CFOP Like '" + SqlValueText(p_cfop) + "')";
  });
}

}  // namespace orvalis
