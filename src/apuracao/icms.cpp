// ICMS: the procedures that run the member descriptors of icms_fields.cpp (sum, stored
// value, composite, write-back, payment total), the binding, and the class's late-bound
// members, which are listed from the same table.
#include "orvalis/icms.h"

#include <string>
#include <type_traits>

#include "apuracao/icms_fields.h"
#include "apuracao/icms_rules.h"
#include "component/class_list.h"
#include "orvalis/apuracao.h"
#include "orvalis/class_registry.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "database/module_state.h"
#include "orvalis/settings.h"

namespace orvalis {
namespace {

using apuracao::CompositeField;
using apuracao::CurrentNumber;
using apuracao::Failures;
using apuracao::FieldId;
using apuracao::HeaderStatement;
using apuracao::IsEmptyText;
using apuracao::IsMinusOne;
using apuracao::Join;
using apuracao::NumberText;
using apuracao::PaymentTotal;
using apuracao::StoredField;
using apuracao::SumField;
using apuracao::WriteBack;

// Runs `work`. Failures of a quiet operation go to the diagnostics hook instead of the
// caller.
template <class Work>
void Run(Failures failures, std::string_view operation, Work&& work) {
  if (failures == Failures::kRaise) {
    work();
    return;
  }
  Swallow("ICMS", operation, std::forward<Work>(work));
}

// The sum template. A quiet field returns what its result held when it failed: Empty
// before the statement opened, "0,00" or the sum after.
Variant SumOf(Database* db, const SumField& field, std::string_view name) {
  if (db == nullptr) return Variant();
  if (field.requires_settings_database && !apuracao::IsSettingsDatabase(db)) return Variant();
  Variant result;
  Run(field.failures, name, [&] {
    std::string_view select = apuracao::ChosenSelect(field);
    auto rs = db->OpenRecordset(Join({select, field.from, field.where, field.group->opening,
                                      NumberText(), field.group->closing}));
    result = Variant(apuracao::kZeroMoney);
    if (!rs->IsEof()) result = apuracao::SumText(rs->GetValue(field.column));
    rs->Close();
  });
  return result;
}

// The stored-value template: one currency column of the declaration's header row.
Variant StoredValueOf(Database* db, const StoredField& field) {
  if (db == nullptr || IsMinusOne(CurrentNumber())) return Variant();
  return apuracao::StoredText(apuracao::FirstRowValue(*db, HeaderStatement(), field.column));
}

// A write-back into the declaration's header row. A failed Update leaves the edit
// pending in a recordset that is dropped, so nothing is written.
void WriteBackTo(Database* db, const WriteBack& field, const Variant& value,
                 std::string_view name) {
  const Variant& number = CurrentNumber();
  if (field.checked && IsEmptyText(number)) return;
  if (db == nullptr || IsMinusOne(number)) return;
  Run(field.failures, name, [&] {
    auto rs = db->OpenRecordset(HeaderStatement());
    if (field.checked && rs->RecordCount() == 0) return;
    rs->Edit();
    rs->SetValue(field.column, field.checked ? Variant(ToCurrency(value)) : value);
    rs->Update();
    rs->Close();
  });
}

// A payment total, as the engine delivers it.
Variant PaymentTotalOf(Database* db, const PaymentTotal& field) {
  if (db == nullptr || IsMinusOne(CurrentNumber())) return Variant();
  return apuracao::PaymentValue(
      apuracao::FirstRowValue(
          *db, Join({field.select, apuracao::kPaymentGroup, NumberText(), field.closing}),
          field.column),
      field.is_count);
}

template <class... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

}  // namespace

Variant ICMS::Evaluate(FieldId id, const Variant* argument) {
  const apuracao::FieldEntry& entry = apuracao::Field(id);
  Database* db = database_.get();
  return std::visit(Overloaded{
                        [&](const SumField& field) { return SumOf(db, field, entry.name); },
                        [&](const StoredField& field) { return StoredValueOf(db, field); },
                        [&](const CompositeField& field) {
                          return apuracao::CompositeOf(
                              field, [this](FieldId part) { return Evaluate(part); });
                        },
                        [&](const WriteBack& field) {
                          WriteBackTo(db, field, argument ? *argument : Variant(), entry.name);
                          return Variant();
                        },
                        [&](const PaymentTotal& field) { return PaymentTotalOf(db, field); },
                    },
                    entry.descriptor);
}

void ICMS::DBIndex(std::string_view database_name) {
  Swallow("ICMS", "DBIndex", [&] { database_ = BindDatabase(database_name); });
}

Variant ICMS::NroVEK() const { return CurrentNumber(); }

void ICMS::LetNroVEK(const Variant& value) {
  ModuleState& state = ThisThread();
  state.icms_database_name = GetSetting("Brisquel", "DB", "DbAtual");
  database_ = NScitDB::scitDB(state.icms_database_name);
  state.icms_number = value;
}

Variant ICMS::Campo051ICMS() { return Evaluate(FieldId::kCampo051ICMS); }
Variant ICMS::Campo052ICMS() { return Evaluate(FieldId::kCampo052ICMS); }
Variant ICMS::Campo053ICMS() { return Evaluate(FieldId::kCampo053ICMS); }
Variant ICMS::Campo055ICMS() { return Evaluate(FieldId::kCampo055ICMS); }
Variant ICMS::Campo056ICMS() { return Evaluate(FieldId::kCampo056ICMS); }
Variant ICMS::Campo057ICMS() { return Evaluate(FieldId::kCampo057ICMS); }
Variant ICMS::Campo058ICMS() { return Evaluate(FieldId::kCampo058ICMS); }
Variant ICMS::Campo060ICMS() { return Evaluate(FieldId::kCampo060ICMS); }
Variant ICMS::Campo061ICMS() { return Evaluate(FieldId::kCampo061ICMS); }
Variant ICMS::Campo062ICMS() { return Evaluate(FieldId::kCampo062ICMS); }
Variant ICMS::Campo063ICMS() { return Evaluate(FieldId::kCampo063ICMS); }
Variant ICMS::Campo064IcmsRPA() { return Evaluate(FieldId::kCampo064IcmsRPA); }
Variant ICMS::AtualizaCampo064IcmsRPA(const Variant& campo064) {
  return Evaluate(FieldId::kAtualizaCampo064IcmsRPA, &campo064);
}
Variant ICMS::Campo064IcmsRES() { return Evaluate(FieldId::kCampo064IcmsRES); }
Variant ICMS::Campo051IcmsST11() { return Evaluate(FieldId::kCampo051IcmsST11); }
Variant ICMS::Campo052IcmsST11() { return Evaluate(FieldId::kCampo052IcmsST11); }
Variant ICMS::Campo053IcmsST11() { return Evaluate(FieldId::kCampo053IcmsST11); }
Variant ICMS::Campo055IcmsST11() { return Evaluate(FieldId::kCampo055IcmsST11); }
Variant ICMS::Campo056IcmsST11() { return Evaluate(FieldId::kCampo056IcmsST11); }
Variant ICMS::Campo057IcmsST11() { return Evaluate(FieldId::kCampo057IcmsST11); }
Variant ICMS::Campo058IcmsST11() { return Evaluate(FieldId::kCampo058IcmsST11); }
Variant ICMS::Campo060IcmsST11() { return Evaluate(FieldId::kCampo060IcmsST11); }
Variant ICMS::Campo061IcmsST11() { return Evaluate(FieldId::kCampo061IcmsST11); }
Variant ICMS::AtualizaCampo061IcmsST11(const Variant& txt061) {
  return Evaluate(FieldId::kAtualizaCampo061IcmsST11, &txt061);
}
Variant ICMS::Campo062IcmsST11() { return Evaluate(FieldId::kCampo062IcmsST11); }
Variant ICMS::Campo063IcmsST11() { return Evaluate(FieldId::kCampo063IcmsST11); }
Variant ICMS::Campo064IcmsST11() { return Evaluate(FieldId::kCampo064IcmsST11); }
Variant ICMS::AtualizaCampo064IcmsST11(const Variant& txt064) {
  return Evaluate(FieldId::kAtualizaCampo064IcmsST11, &txt064);
}
Variant ICMS::Campo065IcmsST11() { return Evaluate(FieldId::kCampo065IcmsST11); }
Variant ICMS::Campo066IcmsST11() { return Evaluate(FieldId::kCampo066IcmsST11); }
Variant ICMS::PagamentosICMS() { return Evaluate(FieldId::kPagamentosICMS); }
Variant ICMS::PagamentosICMS_ST() { return Evaluate(FieldId::kPagamentosICMS_ST); }
Variant ICMS::PagamentosICMSContar() { return Evaluate(FieldId::kPagamentosICMSContar); }
Variant ICMS::PagamentosICMS_STConta() { return Evaluate(FieldId::kPagamentosICMS_STConta); }

// Slot order: DBIndex, NroVEK (get and let), then the table's members in its order.
const ClassInfo& ICMS::Class() const {
  static const ClassInfo info = [] {
    ClassInfoBuilder<ICMS> builder("ICMS");
    builder
        .Method("DBIndex", 1, 1,
                [](ICMS& self, std::span<Variant> args) { self.DBIndex(ToText(args[0])); })
        .Property(
            "NroVEK", [](ICMS& self) { return self.NroVEK(); },
            [](ICMS& self, const Variant& value) { self.LetNroVEK(DefaultValue(value)); });
    const auto fields = apuracao::FieldTable().first(apuracao::InterfaceFieldCount());
    for (const apuracao::FieldEntry& entry : fields) {
      const FieldId id = entry.id;
      const int arguments = std::holds_alternative<WriteBack>(entry.descriptor) ? 1 : 0;
      builder.Method(std::string(entry.name), arguments, arguments,
                     [id, arguments](ICMS& self, std::span<Variant> args) {
                       return self.Evaluate(id, arguments ? &args[0] : nullptr);
                     });
    }
    return builder.Build();
  }();
  return info;
}

void RegisterApuracaoClasses() {
  RegisterClass("Orvalis.ICMS", [] { return std::make_shared<ICMS>(); });
  RegisterClass("Orvalis.Apuracao", [] { return std::make_shared<Apuracao>(); });
}

}  // namespace orvalis
