// The descriptors of the ICMS members. Every SQL fragment is sent exactly as written here,
// blanks included (they differ from field to field on purpose).
#include "apuracao/icms_fields.h"

namespace orvalis::apuracao {
namespace {

using F = FieldId;

constexpr GroupForm kLongCfopGroup{
    "GROUP BY tblDetalhesCFOPs.NroVEK HAVING (((tblDetalhesCFOPs.NroVEK)=", "));"};
constexpr GroupForm kLongOccurrenceGroup{
    "GROUP BY tblOcorrências.NroVEK HAVING (((tblOcorrências.NroVEK)=", "));"};
constexpr GroupForm kShortGroup{"GROUP BY NroVEK HAVING (NroVEK=", ");"};

constexpr std::string_view kFromCfops = "FROM tblDetalhesCFOPs ";
constexpr std::string_view kFromOccurrences = "FROM tblOcorrências ";
constexpr std::string_view kSumValor = "SELECT DISTINCTROW Sum(Valor) AS [Soma De Valor] ";
constexpr std::string_view kSumQualifiedValor =
    "SELECT DISTINCTROW Sum(tblOcorrências.Valor) AS [Soma De Valor] ";
constexpr std::string_view kSomaDeValor = "Soma de Valor";
constexpr std::string_view kSomaDeImposto = "Soma de Imposto";

constexpr std::string_view kLike = "Like '";
constexpr std::string_view kLikeEnd = "*'";

// What the fragments of a sum field select, read off them: each Like of `where` gives the
// prefix it matches; the occurrences' kind is the Boolean `where` compares OpPróprias with.
constexpr SumSelection SelectionOf(std::string_view from, std::string_view where) {
  SumSelection selection;
  if (from == kFromOccurrences) {
    selection.source = where.find("True") != std::string_view::npos ? SumSource::kOwnOccurrences
                                                                    : SumSource::kOtherOccurrences;
  }
  for (size_t at = where.find(kLike); at != std::string_view::npos;
       at = where.find(kLike, at + 1)) {
    const size_t begin = at + kLike.size();
    const size_t end = where.find(kLikeEnd, begin);
    if (end == std::string_view::npos || selection.prefix_count == selection.prefixes.size()) {
      return SumSelection{};  // refused by SelectionsAgreeWithStatements
    }
    selection.prefixes[selection.prefix_count++] = where.substr(begin, end - begin);
  }
  return selection;
}

// A sum of the values of the occurrences that `where` selects.
constexpr SumField OccurrenceSum(std::string_view where, std::string_view select = kSumValor,
                                 const GroupForm* group = &kShortGroup) {
  return SumField{.select = select,
                  .from = kFromOccurrences,
                  .where = where,
                  .group = group,
                  .column = kSomaDeValor,
                  .selection = SelectionOf(kFromOccurrences, where)};
}

// A sum of a tax column of the CFOP details that `where` selects. With
// `select_from_cutover`, the column is chosen by the reference period.
constexpr SumField CfopSum(std::string_view select, std::string_view where,
                           const GroupForm* group = &kShortGroup,
                           std::string_view column = kSomaDeImposto,
                           std::string_view select_from_cutover = {}) {
  return SumField{.select = select,
                  .select_from_cutover = select_from_cutover,
                  .from = kFromCfops,
                  .where = where,
                  .group = group,
                  .column = column,
                  .selection = SelectionOf(kFromCfops, where)};
}

constexpr SumField OnlyOnTheSettingsDatabase(SumField field) {
  field.requires_settings_database = true;
  return field;
}

constexpr SumField Quiet(SumField field) {
  field.failures = Failures::kQuiet;
  return field;
}

constexpr CompositeField Plus(F a, F b) { return {{{{a}, {b}, {}}}, 2}; }
constexpr CompositeField Plus(F a, F b, F c) { return {{{{a}, {b}, {c}}}, 3}; }
// a - b, clamped to "0,00 " below zero.
constexpr CompositeField ClampedMinus(F a, F b) {
  return {.terms = {{{a}, {b, true}, {}}}, .term_count = 2, .clamp_below_zero = true};
}

constexpr std::string_view kPaymentSum =
    "SELECT tblPagamento.NroVEK, tblPagamento.OpPróprias, Sum(tblPagamento.Valor) AS "
    "SomaDeValor ";
constexpr std::string_view kPaymentCount = "SELECT count(tblPagamento.NroVEK) as total ";
constexpr std::string_view kOwnPayments = ") AND ((tblPagamento.OpPróprias)=-1));";
constexpr std::string_view kSubstitutionPayments = ") AND ((tblPagamento.OpPróprias)=false));";

constexpr FieldEntry kTable[] = {
    {F::kCampo051ICMS, "Campo051ICMS",
     CfopSum("SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] ",
             "WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or "
             "(tblDetalhesCFOPs.CFOP) Like '6*' Or "
             "(tblDetalhesCFOPs.CFOP) Like '7*')) ",
             &kLongCfopGroup)},
    {F::kCampo052ICMS, "Campo052ICMS",
     OccurrenceSum("WHERE ((CódSubItem Like '002*') AND (OpPróprias=True)) ", kSumValor,
                   &kLongOccurrenceGroup)},
    {F::kCampo053ICMS, "Campo053ICMS",
     OccurrenceSum("WHERE ((CódSubItem Like '003*') AND (OpPróprias=True)) ", kSumQualifiedValor)},
    {F::kCampo055ICMS, "Campo055ICMS", Plus(F::kCampo051ICMS, F::kCampo052ICMS, F::kCampo053ICMS)},
    {F::kCampo056ICMS, "Campo056ICMS",
     CfopSum("SELECT DISTINCTROW Sum(Imposto) AS [Soma De Imposto] ",
             "WHERE ((CFOP Like '1*') Or "
             "(CFOP Like '2*') Or "
             "(CFOP Like '3*')) ")},
    {F::kCampo057ICMS, "Campo057ICMS",
     OccurrenceSum("WHERE ((CódSubItem Like '007*') AND (OpPróprias = True)) ")},
    {F::kCampo058ICMS, "Campo058ICMS",
     OccurrenceSum("WHERE ((CódSubItem Like '008*') AND (OpPróprias = True)) ")},
    {F::kCampo060ICMS, "Campo060ICMS", Plus(F::kCampo056ICMS, F::kCampo057ICMS, F::kCampo058ICMS)},
    {F::kCampo061ICMS, "Campo061ICMS", StoredField{"SaldoCredAntDig"}},
    {F::kCampo062ICMS, "Campo062ICMS", Plus(F::kCampo060ICMS, F::kCampo061ICMS)},
    {F::kCampo063ICMS, "Campo063ICMS", ClampedMinus(F::kCampo055ICMS, F::kCampo062ICMS)},
    {F::kCampo064IcmsRPA, "Campo064IcmsRPA",
     OnlyOnTheSettingsDatabase(
         OccurrenceSum("WHERE ((CódSubItem Like '014*') AND (OpPróprias = True)) "))},
    {F::kAtualizaCampo064IcmsRPA, "AtualizaCampo064IcmsRPA",
     WriteBack{.column = "DeduçõesRPA", .checked = true}},
    {F::kCampo064IcmsRES, "Campo064IcmsRES", Plus(F::kValorICMSFixPerRES, F::kValorOutrasRES)},

    {F::kCampo051IcmsST11, "Campo051IcmsST11",
     CfopSum("SELECT DISTINCTROW Sum(ImpostoRetidoST) AS [Soma De Imposto] ",
             "WHERE (CFOP Like '5*') ", &kShortGroup, kSomaDeImposto,
             "SELECT DISTINCTROW Sum(ImpRetSubstitutoST) AS [Soma De Imposto] ")},
    {F::kCampo052IcmsST11, "Campo052IcmsST11",
     OccurrenceSum("WHERE ((CódSubItem Like '002*') AND (OpPróprias=False)) ")},
    {F::kCampo053IcmsST11, "Campo053IcmsST11",
     OccurrenceSum("WHERE ((CódSubItem Like '003*') AND (OpPróprias=False)) ")},
    {F::kCampo055IcmsST11, "Campo055IcmsST11",
     Plus(F::kCampo051IcmsST11, F::kCampo052IcmsST11, F::kCampo053IcmsST11)},
    {F::kCampo056IcmsST11, "Campo056IcmsST11",
     CfopSum("SELECT DISTINCTROW Sum(ImpostoRetidoST) AS Soma ", "WHERE (CFOP Like '1*') ",
             &kShortGroup, "Soma", "SELECT DISTINCTROW Sum(ImpRetSubstitutoST) AS Soma ")},
    {F::kCampo057IcmsST11, "Campo057IcmsST11",
     OccurrenceSum("WHERE ((CódSubItem Like '007*') AND (OpPróprias=False)) ")},
    {F::kCampo058IcmsST11, "Campo058IcmsST11",
     OccurrenceSum("WHERE ((CódSubItem Like '008*') AND (OpPróprias=False)) ", kSumQualifiedValor)},
    {F::kCampo060IcmsST11, "Campo060IcmsST11",
     Plus(F::kCampo056IcmsST11, F::kCampo057IcmsST11, F::kCampo058IcmsST11)},
    {F::kCampo061IcmsST11, "Campo061IcmsST11", StoredField{"SaldoCredAntDigST"}},
    {F::kAtualizaCampo061IcmsST11, "AtualizaCampo061IcmsST11",
     WriteBack{.column = "SaldoCredAntDigST", .failures = Failures::kQuiet}},
    {F::kCampo062IcmsST11, "Campo062IcmsST11", Plus(F::kCampo060IcmsST11, F::kCampo061IcmsST11)},
    {F::kCampo063IcmsST11, "Campo063IcmsST11",
     ClampedMinus(F::kCampo055IcmsST11, F::kCampo062IcmsST11)},
    {F::kCampo064IcmsST11, "Campo064IcmsST11",
     Quiet(OccurrenceSum("WHERE ((CódSubItem Like '014*') AND (OpPróprias = False)) "))},
    {F::kAtualizaCampo064IcmsST11, "AtualizaCampo064IcmsST11", WriteBack{.column = "DeduçõesST"}},
    {F::kCampo065IcmsST11, "Campo065IcmsST11",
     ClampedMinus(F::kCampo063IcmsST11, F::kCampo064IcmsST11)},
    {F::kCampo066IcmsST11, "Campo066IcmsST11",
     ClampedMinus(F::kCampo062IcmsST11, F::kCampo055IcmsST11)},

    {F::kPagamentosICMS, "PagamentosICMS",
     PaymentTotal{kPaymentSum, kOwnPayments, "SomaDeValor", false, true}},
    {F::kPagamentosICMS_ST, "PagamentosICMS_ST",
     PaymentTotal{kPaymentSum, kSubstitutionPayments, "SomaDeValor", false, false}},
    {F::kPagamentosICMSContar, "PagamentosICMSContar",
     PaymentTotal{kPaymentCount, kOwnPayments, "total", true, true}},
    {F::kPagamentosICMS_STConta, "PagamentosICMS_STConta",
     PaymentTotal{kPaymentCount, kSubstitutionPayments, "total", true, false}},

    {F::kValorICMSFixPerRES, "ValorICMSFixPerRES", StoredField{"ICMSFixPerRES"}},
    {F::kValorOutrasRES, "ValorOutrasRES", StoredField{"OutrasRES"}},
};

constexpr bool InFieldIdOrder() {
  for (size_t i = 0; i < std::size(kTable); ++i) {
    if (static_cast<size_t>(kTable[i].id) != i) return false;
  }
  return true;
}
static_assert(InFieldIdOrder(), "kTable must list the members in FieldId order");

constexpr bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// Whether the selection read off a sum field's fragments is one the one pass can group by:
// a prefix of plain digits of the table's length for each Like, and for an occurrence one
// kind of operation. (That the grouped sums equal the statements' is what the apuração
// tests prove, field by field.)
constexpr bool SelectionAgrees(const SumField& field) {
  const SumSelection& selection = field.selection;
  if (selection.prefix_count == 0) return false;
  const bool cfop = field.from == kFromCfops;
  for (size_t i = 0; i < selection.prefix_count; ++i) {
    const std::string_view prefix = selection.prefixes[i];
    if (prefix.size() != (cfop ? kCfopPrefixLength : kSubItemPrefixLength)) return false;
    for (char c : prefix) {
      if (c < '0' || c > '9') return false;  // digits only: no wildcard of Like
    }
  }
  if (selection.source == SumSource::kCfops) return cfop;
  return field.from == kFromOccurrences &&
         Contains(field.where, "True") != Contains(field.where, "False");
}

constexpr bool SelectionsAgreeWithStatements() {
  for (const FieldEntry& entry : kTable) {
    const auto* field = std::get_if<SumField>(&entry.descriptor);
    if (field != nullptr && !SelectionAgrees(*field)) return false;
  }
  return true;
}
static_assert(SelectionsAgreeWithStatements(),
              "every sum field's selection must say what its statement selects");

constexpr bool PaymentKindsAgreeWithStatements() {
  for (const FieldEntry& entry : kTable) {
    const auto* total = std::get_if<PaymentTotal>(&entry.descriptor);
    if (total != nullptr && total->own_operations != (total->closing == kOwnPayments)) {
      return false;
    }
  }
  return true;
}
static_assert(PaymentKindsAgreeWithStatements(),
              "every payment total's kind must be the one its statement compares with");

constexpr size_t kPrivateEntries = 2;

}  // namespace

std::span<const FieldEntry> FieldTable() { return kTable; }

const FieldEntry& Field(FieldId id) { return kTable[static_cast<size_t>(id)]; }

size_t InterfaceFieldCount() { return std::size(kTable) - kPrivateEntries; }

}  // namespace orvalis::apuracao
