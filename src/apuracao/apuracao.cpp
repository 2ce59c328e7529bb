// Apuracao: the binding (an ICMS object of its own), the one pass, and the fields it
// keeps, typed and late-bound; the late-bound fields are listed from the member table.
#include "orvalis/apuracao.h"

#include <algorithm>
#include <string>

#include "apuracao/one_pass.h"

namespace orvalis {

using apuracao::FieldId;

const Variant& ApuracaoField::Get() const {
  if (error) throw *error;
  return value;
}

Apuracao::Apuracao() {
  for (FieldId id : apuracao::ReportedFields()) {
    fields_.push_back({apuracao::Field(id).name, Variant(), std::nullopt});
  }
}

void Apuracao::DBIndex(std::string_view database_name) { icms_.DBIndex(database_name); }

Variant Apuracao::NroVEK() const { return icms_.NroVEK(); }

void Apuracao::LetNroVEK(const Variant& value) { icms_.LetNroVEK(value); }

void Apuracao::Calcula() { fields_ = apuracao::ComputeInOnePass(icms_); }

const Variant& Apuracao::Value(FieldId id) const {
  const auto reported = apuracao::ReportedFields();
  return fields_[std::find(reported.begin(), reported.end(), id) - reported.begin()].Get();
}

Variant Apuracao::Campo051ICMS() const { return Value(FieldId::kCampo051ICMS); }
Variant Apuracao::Campo052ICMS() const { return Value(FieldId::kCampo052ICMS); }
Variant Apuracao::Campo053ICMS() const { return Value(FieldId::kCampo053ICMS); }
Variant Apuracao::Campo055ICMS() const { return Value(FieldId::kCampo055ICMS); }
Variant Apuracao::Campo056ICMS() const { return Value(FieldId::kCampo056ICMS); }
Variant Apuracao::Campo057ICMS() const { return Value(FieldId::kCampo057ICMS); }
Variant Apuracao::Campo058ICMS() const { return Value(FieldId::kCampo058ICMS); }
Variant Apuracao::Campo060ICMS() const { return Value(FieldId::kCampo060ICMS); }
Variant Apuracao::Campo061ICMS() const { return Value(FieldId::kCampo061ICMS); }
Variant Apuracao::Campo062ICMS() const { return Value(FieldId::kCampo062ICMS); }
Variant Apuracao::Campo063ICMS() const { return Value(FieldId::kCampo063ICMS); }
Variant Apuracao::Campo064IcmsRPA() const { return Value(FieldId::kCampo064IcmsRPA); }
Variant Apuracao::Campo064IcmsRES() const { return Value(FieldId::kCampo064IcmsRES); }
Variant Apuracao::Campo051IcmsST11() const { return Value(FieldId::kCampo051IcmsST11); }
Variant Apuracao::Campo052IcmsST11() const { return Value(FieldId::kCampo052IcmsST11); }
Variant Apuracao::Campo053IcmsST11() const { return Value(FieldId::kCampo053IcmsST11); }
Variant Apuracao::Campo055IcmsST11() const { return Value(FieldId::kCampo055IcmsST11); }
Variant Apuracao::Campo056IcmsST11() const { return Value(FieldId::kCampo056IcmsST11); }
Variant Apuracao::Campo057IcmsST11() const { return Value(FieldId::kCampo057IcmsST11); }
Variant Apuracao::Campo058IcmsST11() const { return Value(FieldId::kCampo058IcmsST11); }
Variant Apuracao::Campo060IcmsST11() const { return Value(FieldId::kCampo060IcmsST11); }
Variant Apuracao::Campo061IcmsST11() const { return Value(FieldId::kCampo061IcmsST11); }
Variant Apuracao::Campo062IcmsST11() const { return Value(FieldId::kCampo062IcmsST11); }
Variant Apuracao::Campo063IcmsST11() const { return Value(FieldId::kCampo063IcmsST11); }
Variant Apuracao::Campo064IcmsST11() const { return Value(FieldId::kCampo064IcmsST11); }
Variant Apuracao::Campo065IcmsST11() const { return Value(FieldId::kCampo065IcmsST11); }
Variant Apuracao::Campo066IcmsST11() const { return Value(FieldId::kCampo066IcmsST11); }
Variant Apuracao::PagamentosICMS() const { return Value(FieldId::kPagamentosICMS); }
Variant Apuracao::PagamentosICMS_ST() const { return Value(FieldId::kPagamentosICMS_ST); }
Variant Apuracao::PagamentosICMSContar() const { return Value(FieldId::kPagamentosICMSContar); }
Variant Apuracao::PagamentosICMS_STConta() const { return Value(FieldId::kPagamentosICMS_STConta); }

// Slot order: DBIndex, NroVEK (get and let), Calcula, then the fields as read-only
// properties in the order of the ICMS interface.
const ClassInfo& Apuracao::Class() const {
  static const ClassInfo info = [] {
    ClassInfoBuilder<Apuracao> builder("Apuracao");
    builder
        .Method("DBIndex", 1, 1,
                [](Apuracao& self, std::span<Variant> args) { self.DBIndex(ToText(args[0])); })
        .Property(
            "NroVEK", [](Apuracao& self) { return self.NroVEK(); },
            [](Apuracao& self, const Variant& value) { self.LetNroVEK(DefaultValue(value)); })
        .Method("Calcula", 0, 0, [](Apuracao& self, std::span<Variant>) { self.Calcula(); });
    for (FieldId id : apuracao::ReportedFields()) {
      builder.Property(std::string(apuracao::Field(id).name),
                       [id](Apuracao& self) { return self.Value(id); });
    }
    return builder.Build();
  }();
  return info;
}

}  // namespace orvalis
