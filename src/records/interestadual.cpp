#include "orvalis/records/interestadual.h"

#include <optional>
#include <string>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using I = Interestadual;

constexpr FieldRow kFields[] = {
    {I::kNroVEK, "NroVEK", kZero, kRead | kCreate},
    {I::kCFOP, "CFOP", Text(""), kRead | kCreate},
    {I::kSigla, "Sigla", Text(""), kRead | kJoined},
    {I::kUF, "UF", Text(""), kRead | kCreate},
    {I::kValorContábil_1, "ValorContábil_1", kZero, kEveryUse},
    {I::kBaseCálculo_1, "BaseCálculo_1", kZero, kEveryUse},
    {I::kValorContábil_2, "ValorContábil_2", kZero, kEveryUse},
    {I::kBaseCálculo_2, "BaseCálculo_2", kZero, kEveryUse},
    {I::kImposto, "Imposto", kZero, kEveryUse},
    {I::kOutras, "Outras", kZero, kEveryUse},
    {I::kICMSCobradoST, "ICMSCobradoST", kZero, kEveryUse},
    {I::kPetróleoEnergia, "PetróleoEnergia", kZero, kEveryUse},
    {I::kOutrosProdutos, "OutrosProdutos", kZero, kEveryUse},
};
static_assert(InFieldOrder(kFields, I::kOutrosProdutos));

constexpr size_t kSlotOrder[] = {
    I::kNroVEK,
    I::kUF,
    I::kCFOP,
    I::kSigla,
    I::kValorContábil_1,
    I::kValorContábil_2,
    I::kBaseCálculo_1,
    I::kBaseCálculo_2,
    I::kImposto,
    I::kOutras,
    I::kICMSCobradoST,
    I::kPetróleoEnergia,
    I::kOutrosProdutos,
};

// The collection's accessor functions, in slot order, with the field each reads.
struct Accessor {
  std::string_view name;
  I::Field field;
};
constexpr Accessor kAccessors[] = {
    {"NroVEK", I::kNroVEK},
    {"CFOP", I::kCFOP},
    {"Sigla", I::kSigla},
    {"UF", I::kUF},
    {"ValorContabil1", I::kValorContábil_1},
    {"BaseCalculo1", I::kBaseCálculo_1},
    {"ValorContabil2", I::kValorContábil_2},
    {"BaseCalculo2", I::kBaseCálculo_2},
    {"Imposto", I::kImposto},
    {"Outras", I::kOutras},
    {"ICMSCobradoST", I::kICMSCobradoST},
    {"PetroleoEnergia", I::kPetróleoEnergia},
    {"OutrosProdutos", I::kOutrosProdutos},
};

const RecordLayout& Layout() {
  static const RecordLayout layout("tblDetalhesInterUFs", kFields, kSlotOrder);
  return layout;
}

// The detail query over the values already made text; without a state condition when
// `sigla` is nothing.
std::string DetailQuery(std::string_view nro_vek, std::string_view cfop,
                        std::optional<std::string> sigla) {
  const std::string head = Sql("SELECT tblEstados.Sigla AS Sigla, tblDetalhesInterUFs.* ",
                               "FROM tblEstados INNER JOIN tblDetalhesInterUFs ON "
                               "tblEstados.Código = tblDetalhesInterUFs.UF ");
  if (!sigla) {
    return Sql(head, "WHERE ((tblDetalhesInterUFs.NroVEK Like ", nro_vek, ") And ",
               "(tblDetalhesInterUFs.CFOP Like '", cfop, "')) ", "ORDER BY tblEstados.Sigla");
  }
  return Sql(head, "WHERE ((tblEstados.Sigla Like '", *sigla, "') And ",
             "(tblDetalhesInterUFs.NroVEK Like ", nro_vek, ") And ",
             "(tblDetalhesInterUFs.CFOP Like '", cfop, "')) ", "ORDER BY tblEstados.Sigla");
}

}  // namespace

Interestadual::Interestadual() : RecordBase(Layout()) {}

const ClassInfo& Interestadual::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Interestadual", &Interestadual::Fetch, Layout()).Build();
  return info;
}

void Interestadual::Fetch(const Variant& nro_vek, const Variant& cfop, const Variant& sigla) {
  Trap("Fetch", [&] { FetchRow(DetailQuery(Bare(nro_vek), Quoted(cfop), Quoted(sigla))); });
}

void Interestadual::Reload() {
  // The row of the held keys only: a wildcard in them must not load another row.
  FetchRow(DetailQuery(Bare(Get(kNroVEK)), LikeLiteral(Get(kCFOP)), LikeLiteral(Get(kSigla))));
}

bool Interestadual::LookUpState() {
  const Recordset& state =
      Open(Sql("SELECT Código ", "FROM tblEstados ", "WHERE Sigla='", Quoted(Get(kSigla)), "'"));
  if (state.IsEof()) return false;
  Store(kUF, state.GetValue("Código"));
  return true;
}

void Interestadual::AfterLet(size_t field) {
  if (field == kSigla) LookUpState();
}

void Interestadual::CreateRow() {
  AddRow("tblDetalhesInterUFs").Close();
  Reload();
}

void Interestadual::UpdateRow() {
  Recordset& rs = Current();
  EditRow(rs);
  rs.Close();
  Reload();
}

void Interestadual::DeleteRow() {
  if (!LookUpState()) return;
  Open(Sql("SELECT * ", "FROM tblDetalhesInterUFs ", "WHERE (NroVEK=", Bare(Get(kNroVEK)), ") AND ",
           "(CFOP='", Quoted(Get(kCFOP)), "') AND ", "(UF='", Quoted(Get(kUF)), "')"))
      .Delete();
}

// MoveFirst and MovePrevious look at the end mark; Count lets its errors through.
Interestaduais::Interestaduais() : RecordCollection(WalkRule::kEndOfFile, CountErrors::kRaised) {}

const ClassInfo& Interestaduais::Class() const {
  static const ClassInfo info = records::CollectionMembers(
      "Interestaduais", 2, &Interestaduais::Fetch,
      {.after_item = [](ClassInfoBuilder<Interestaduais>& builder) {
        for (const Accessor& accessor : kAccessors) {
          builder.Method(std::string(accessor.name), 0, 1,
                         [field = accessor.field](Interestaduais& self, std::span<Variant> args) {
                           return self.Value(field, args[0]);
                         });
        }
      }});
  return info;
}

void Interestaduais::Fetch(const Variant& p_nro_vek, const Variant& p_cfop,
                           const Variant& p_sigla) {
  RunFetch([&] {
    std::optional<std::string> sigla;
    if (!p_sigla.IsMissing()) sigla = Quoted(p_sigla);
    return DetailQuery(Bare(p_nro_vek), Quoted(p_cfop), sigla);
  });
}

Variant Interestaduais::Value(Interestadual::Field field, const Variant& index) {
  std::string_view name;
  for (const Accessor& accessor : kAccessors) {
    if (accessor.field == field) name = accessor.name;
  }
  Variant value;
  Trap(name, [&] {
    Recordset& rs = Current();
    Position(rs, index);
    value = LoadItemField(rs, field);
  });
  return value;
}

}  // namespace orvalis
