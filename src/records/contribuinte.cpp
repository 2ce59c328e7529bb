#include "orvalis/records/contribuinte.h"

#include <algorithm>
#include <string>
#include <vector>

#include "record_members.h"
#include "statement_values.h"

namespace orvalis {

namespace {

using namespace records;
using C = Contribuinte;

// UF is written as the IE says (see Create and Update).
constexpr FieldRow kFields[] = {
    {C::kIE, "IE", kEmpty, kEveryUse},
    FieldRow{C::kRS, "RS", kEmpty, kEveryUse}.Column("RazãoSocial"),
    {C::kCNPJ, "CNPJ", Text("__.___.___/____-__"), kEveryUse},
    {C::kCNAE, "CNAE", Text("____-_/__"), kEveryUse},
    {C::kLocalização, "Localização", kEmpty, kEveryUse},
    {C::kNúmero, "Número", kEmpty, kEveryUse},
    {C::kComplemento, "Complemento", kEmpty, kEveryUse},
    {C::kBairro, "Bairro", kEmpty, kEveryUse},
    {C::kCEP, "CEP", Text("_____-___"), kEveryUse},
    {C::kMunicípio, "Município", kEmpty, kEveryUse},
    FieldRow{C::kUF, "UF", kEmpty, kEveryUse}.NullAs(kFetch, Text("")),
    {C::kTelefone, "Telefone", kEmpty, kEveryUse},
    {C::kHomePage, "HomePage", kEmpty, kEveryUse},
    {C::kFAX, "FAX", kEmpty, kEveryUse},
    {C::kContato, "Contato", kEmpty, kEveryUse},
    {C::kEmail, "Email", kEmpty, kEveryUse},
    {C::kDataCadastro, "DataCadastro", kEmpty, kEveryUse},
    {C::kObservação, "Observação", kEmpty, kEveryUse},
};
static_assert(InFieldOrder(kFields, C::kObservação));

// The order of the property pairs on the interface.
constexpr size_t kSlotOrder[] = {
    C::kDataCadastro, C::kObservação, C::kIE,          C::kRS,     C::kCNPJ,    C::kCNAE,
    C::kLocalização,  C::kNúmero,     C::kComplemento, C::kBairro, C::kCEP,     C::kMunicípio,
    C::kUF,           C::kTelefone,   C::kHomePage,    C::kFAX,    C::kContato, C::kEmail,
};

const RecordLayout& Layout() {
  static const RecordLayout layout("tblContribuinte", kFields, kSlotOrder);
  return layout;
}

// Fetch, Update and Delete of the record and Fetch of the collection with an IE.
std::string KeyStatement(const Variant& ie) {
  return Sql("Select * from tblContribuinte Where IE='", Quoted(ie), "'");
}

bool BeginsWith8(const Variant& ie) {
  return !ie.IsNull() && !ie.IsEmpty() && ToText(ie).starts_with('8');
}

bool IsBlank(const Variant& value) {
  return value.IsNull() || value.IsEmpty() || (value.IsString() && value.string_value().empty());
}

// The written fields of `use`, without UF when `keep_uf` says so.
std::vector<size_t> WrittenFields(FieldUse use, bool keep_uf) {
  std::vector<size_t> fields;
  std::ranges::copy_if(Layout().Fields(use), std::back_inserter(fields),
                       [keep_uf](size_t field) { return !keep_uf || field != C::kUF; });
  return fields;
}

}  // namespace

Contribuinte::Contribuinte() : RecordBase(Layout()) {}

const ClassInfo& Contribuinte::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Contribuinte", &Contribuinte::Fetch, Layout()).Build();
  return info;
}

void Contribuinte::Fetch(const Variant& ie) {
  Trap("Fetch", [&] { FetchRow(KeyStatement(ie)); });
}

void Contribuinte::CreateRow() {
  AddRow("Select * from tblContribuinte", WrittenFields(kCreate, BeginsWith8(Get(kIE))));
}

void Contribuinte::DeleteRow() { Open(KeyStatement(Get(kIE))).Delete(); }

void Contribuinte::UpdateRow() {
  const bool keep_stored_uf = BeginsWith8(Get(kIE)) && IsBlank(Get(kUF));
  EditRow(Open(KeyStatement(Get(kIE))), WrittenFields(kUpdate, keep_stored_uf));
}

// MoveFirst and MovePrevious look at the record count. Last looks at the end mark, which
// answers as the count form does (an empty set is at its end).
Contribuintes::Contribuintes() : RecordCollection(WalkRule::kRecordCount) {}

const ClassInfo& Contribuintes::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("Contribuintes", 0, &Contribuintes::Fetch);
  return info;
}

void Contribuintes::Fetch(const Variant& p_ie, std::optional<int16_t> /*p_ordenado*/) {
  RunFetch([&] {
    if (!p_ie.IsMissing()) return KeyStatement(p_ie);
    return Sql(
        "SELECT DISTINCTROW tblContribuinte.*, Right([tblcontribuinte].[IE],1) AS ÚltimoDígito, ",
        "tblContribuinte.IE, ", "tblContribuinte.RazãoSocial, ", "tblContribuinte.CNPJ, ",
        "tblContribuinte.CNAE ", "FROM tblContribuinte  ",
        "ORDER BY Right([tblcontribuinte].[IE],1)");
  });
}

}  // namespace orvalis
