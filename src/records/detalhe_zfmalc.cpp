#include "orvalis/records/detalhe_zfmalc.h"

#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using D = DetalheZFMALC;

constexpr FieldRow kFields[] = {
    {D::kNroLançamento, "NroLançamento", kZero, kRead},
    {D::kNroVEK, "NroVEK", kZero, kFetch | kWrite},
    {D::kCFOP, "CFOP", kNull, kFetch | kWrite},
    {D::kUF, "UF", kNull, kEveryUse | kSkipUnselected},
    {D::kNF, "NF", kNull, kEveryUse},
    {D::kData, "Data", kNull, kEveryUse},
    {D::kValor, "Valor", kZero, kEveryUse},
    {D::kCNPJDest, "CNPJDest", kNull, kEveryUse},
    {D::kMunicípioDest, "MunicípioDest", kNull, kEveryUse},
    {D::kMunicípio, "Município", kNull, kRead | kJoined},
    {D::kSigla, "Sigla", kNull, kItem | kJoined},
};
static_assert(InFieldOrder(kFields, D::kSigla));

constexpr size_t kSlotOrder[] = {
    D::kNroVEK, D::kCFOP,  D::kUF,       D::kSigla,         D::kNF,        D::kNroLançamento,
    D::kData,   D::kValor, D::kCNPJDest, D::kMunicípioDest, D::kMunicípio,
};

const RecordLayout& Layout() {
  static const RecordLayout layout("tblZFM_ALC", kFields, kSlotOrder);
  return layout;
}

// The join every fetch reads through.
constexpr std::string_view kJoin =
    "FROM tblMunicípiosZFM_ALC RIGHT JOIN tblZFM_ALC ON tblMunicípiosZFM_ALC.CódMunicípio = "
    "tblZFM_ALC.MunicípioDest ";

// The statement of Update and Delete.
std::string KeyStatement(const Variant& nro_lançamento) {
  return Sql("SELECT * FROM tblZFM_ALC WHERE NroLançamento = ", Bare(nro_lançamento));
}

}  // namespace

DetalheZFMALC::DetalheZFMALC() : RecordBase(Layout()) {}

const ClassInfo& DetalheZFMALC::Class() const {
  static const ClassInfo info =
      records::RecordMembers("DetalheZFMALC", &DetalheZFMALC::Fetch, Layout()).Build();
  return info;
}

void DetalheZFMALC::Fetch(const Variant& nro_lançamento) {
  Trap("Fetch", [&] {
    FetchRow(Sql("SELECT tblZFM_ALC.Data, ", "tblZFM_ALC.NroVEK, ", "tblZFM_ALC.CFOP, ",
                 "tblZFM_ALC.Valor, ", "tblZFM_ALC.CNPJDest, ", "tblZFM_ALC.MunicípioDest, ",
                 "tblMunicípiosZFM_ALC.Município, ", "tblZFM_ALC.NF, ", "tblZFM_ALC.UF, ",
                 "tblZFM_ALC.NroLançamento ", kJoin, "WHERE (tblZFM_ALC.NroLançamento Like ",
                 Bare(nro_lançamento), ") ", "ORDER BY tblZFM_ALC.NF"));
  });
}

void DetalheZFMALC::CreateRow() {
  Recordset& added = AddRow("SELECT * FROM tblZFM_ALC");
  Store(kNroLançamento, added.GetValue("NroLançamento"));
  added.Close();
  Fetch(Get(kNroLançamento));
}

void DetalheZFMALC::UpdateRow() {
  Recordset& rs = Open(KeyStatement(Get(kNroLançamento)));
  EditRow(rs);
  rs.Close();
  Fetch(Get(kNroLançamento));
}

void DetalheZFMALC::DeleteRow() { Open(KeyStatement(Get(kNroLançamento))).Delete(); }

// MoveFirst and MovePrevious look at the end mark.
DetalhesZFMALC::DetalhesZFMALC() : RecordCollection(WalkRule::kEndOfFile) {}

const ClassInfo& DetalhesZFMALC::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("DetalhesZFMALC", 2, &DetalhesZFMALC::Fetch);
  return info;
}

void DetalhesZFMALC::Fetch(const Variant& p_nro_vek, const Variant& p_cfop, const Variant& p_uf,
                           const Variant& p_nro_lançamento) {
  RunFetch([&] {
    const std::string select =
        Sql("SELECT tblZFM_ALC.Data, ", "tblZFM_ALC.Valor, ", "tblZFM_ALC.CNPJDest, ",
            "tblZFM_ALC.MunicípioDest, ", "tblMunicípiosZFM_ALC.Município, ",
            "tblMunicípiosZFM_ALC.UF as Sigla, ", "tblZFM_ALC.NF, ");
    if (p_nro_lançamento.IsMissing() && p_uf.IsMissing()) {
      return Sql(select, "tblZFM_ALC.NroLançamento, ", "tblZFM_ALC.UF ", kJoin,
                 "WHERE (tblZFM_ALC.NroVEK Like ", Bare(p_nro_vek), ") And ",
                 "(tblZFM_ALC.CFOP Like '", Quoted(p_cfop), "') ", "ORDER BY tblZFM_ALC.NF");
    }
    // The entry's list needs the state too: without it the statement cannot be built.
    if (p_uf.IsMissing()) throw MakeError(ErrorCode::kTypeMismatch);
    const std::string by_state =
        Sql("(tblZFM_ALC.NroVEK Like ", Bare(p_nro_vek), ") And ", "(tblZFM_ALC.CFOP Like '",
            Quoted(p_cfop), "') And ", "(tblZFM_ALC.UF Like '", Quoted(p_uf), "')");
    if (p_nro_lançamento.IsMissing()) {
      return Sql(select, "tblZFM_ALC.NroLançamento ", kJoin, "WHERE ", by_state,
                 "ORDER BY tblZFM_ALC.NF");
    }
    return Sql(select, "tblZFM_ALC.NroLançamento ", kJoin, "WHERE (tblZFM_ALC.NroLançamento Like ",
               Bare(p_nro_lançamento), ") And ", by_state, "ORDER BY tblZFM_ALC.NF");
  });
}

}  // namespace orvalis
