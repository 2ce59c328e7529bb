#include "orvalis/records/contribuinte.h"

#include <string>

#include "orvalis/sql_text.h"
#include "record_members.h"

namespace orvalis {

namespace {

using C = Contribuinte;

constexpr RecordField kFields[] = {
    {"IE"},     {"RS", "RazãoSocial"}, {"CNPJ"},       {"CNAE"}, {"Localização"},
    {"Número"}, {"Complemento"},       {"Bairro"},     {"CEP"},  {"Município"},
    {"UF"},     {"Telefone"},          {"HomePage"},   {"FAX"},  {"Contato"},
    {"Email"},  {"DataCadastro"},      {"Observação"},
};

// The order of the property pairs on the interface.
constexpr size_t kInterfaceOrder[] = {
    C::kDataCadastro, C::kObservação, C::kIE,          C::kRS,     C::kCNPJ,    C::kCNAE,
    C::kLocalização,  C::kNúmero,     C::kComplemento, C::kBairro, C::kCEP,     C::kMunicípio,
    C::kUF,           C::kTelefone,   C::kHomePage,    C::kFAX,    C::kContato, C::kEmail,
};

// Every column but UF, in order.
constexpr size_t kAllButUF[] = {
    C::kIE,          C::kRS,      C::kCNPJ,  C::kCNAE,         C::kLocalização, C::kNúmero,
    C::kComplemento, C::kBairro,  C::kCEP,   C::kMunicípio,    C::kTelefone,    C::kHomePage,
    C::kFAX,         C::kContato, C::kEmail, C::kDataCadastro, C::kObservação,
};

constexpr size_t kUFOnly[] = {C::kUF};

const RecordLayout& Layout() {
  static const RecordLayout layout = [] {
    RecordLayout cleared{kFields, std::vector<Variant>(std::size(kFields))};
    cleared.defaults[C::kCNPJ] = Variant("__.___.___/____-__");
    cleared.defaults[C::kCNAE] = Variant("____-_/__");
    cleared.defaults[C::kCEP] = Variant("_____-___");
    return cleared;
  }();
  return layout;
}

// Fetch, Update and Delete of the record and Fetch of the collection with an IE.
std::string KeyStatement(const Variant& ie) {
  return "Select * from tblContribuinte Where IE='" + SqlValueText(ie) + "'";
}

bool BeginsWith8(const Variant& ie) {
  return !ie.IsNull() && !ie.IsEmpty() && ToText(ie).starts_with('8');
}

bool IsBlank(const Variant& value) {
  return value.IsNull() || value.IsEmpty() || (value.IsString() && value.string_value().empty());
}

}  // namespace

Contribuinte::Contribuinte() : RecordBase(Layout()) {}

const ClassInfo& Contribuinte::Class() const {
  static const ClassInfo info =
      records::RecordMembers("Contribuinte", &Contribuinte::Fetch, Layout(), kInterfaceOrder)
          .Build();
  return info;
}

void Contribuinte::Fetch(const Variant& ie) {
  Trap("Fetch", [&] { FetchRow(KeyStatement(ie), layout().all(), {kUFOnly, Variant("")}); });
}

void Contribuinte::Create() {
  Trap("Create", [&] {
    AddRow("Select * from tblContribuinte",
           BeginsWith8(Get(kIE)) ? std::span<const size_t>(kAllButUF) : layout().all());
  });
}

void Contribuinte::Delete() {
  Trap("Delete", [&] { Open(KeyStatement(Get(kIE))).Delete(); });
}

void Contribuinte::Update() {
  Trap("Update", [&] {
    const bool keep_stored_uf = BeginsWith8(Get(kIE)) && IsBlank(Get(kUF));
    EditRow(Open(KeyStatement(Get(kIE))),
            keep_stored_uf ? std::span<const size_t>(kAllButUF) : layout().all());
  });
}

// MoveFirst and MovePrevious look at the record count. Last looks at the end mark, which
// answers as the count form does (an empty set is at its end).
Contribuintes::Contribuintes() : RecordCollection({Layout().all(), {}}, WalkRule::kRecordCount) {}

const ClassInfo& Contribuintes::Class() const {
  static const ClassInfo info =
      records::CollectionMembers("Contribuintes", 0, &Contribuintes::Fetch);
  return info;
}

void Contribuintes::Fetch(const Variant& p_ie, std::optional<int16_t> /*p_ordenado*/) {
  RunFetch([&] {
    if (!p_ie.IsMissing()) return KeyStatement(p_ie);
    return std::string(
        "SELECT DISTINCTROW tblContribuinte.*, Right([tblcontribuinte].[IE],1) AS ÚltimoDígito, "
        "tblContribuinte.IE, "
        "tblContribuinte.RazãoSocial, "
        "tblContribuinte.CNPJ, "
        "tblContribuinte.CNAE "
        "FROM tblContribuinte  "
        "ORDER BY Right([tblcontribuinte].[IE],1)");
  });
}

}  // namespace orvalis
