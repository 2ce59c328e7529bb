// What every record class shares, checked over all of them: its values when new and after
// Clear, its field rows against its table in the file schema, and the trap on every
// property's Let.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "engine/late_bound_objects.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using records::FieldRow;

// Every registered record class, created by name.
std::vector<std::shared_ptr<RecordBase>> RecordObjects() {
  std::vector<std::shared_ptr<RecordBase>> records;
  for (const std::string& prog_id : RegisteredClasses()) {
    if (auto record = std::dynamic_pointer_cast<RecordBase>(CreateObject(prog_id))) {
      records.push_back(record);
    }
  }
  return records;
}

// The held values, in field order: a number of kind Integer as it is, a text in quotes.
std::string Shown(const std::vector<Variant>& values) {
  std::string shown;
  for (const Variant& value : values) {
    if (!shown.empty()) shown += ' ';
    if (value.kind() == VariantKind::kInteger || value.kind() == VariantKind::kBoolean) {
      shown += ToText(value);
    } else if (value.IsString()) {
      shown += "'" + value.string_value() + "'";
    } else {
      shown += KindName(value.kind());
    }
  }
  return shown;
}

TEST(RecordClassesTest, NewAndClearedObjectsHoldTheirDefaults) {
  const std::map<std::string, std::string> defaults = {
      {"CFOP", "0 Null 0 0 0 0 0 0 0 0 0"},
      {"Contribuinte",
       "Empty Empty '__.___.___/____-__' '____-_/__' Empty Empty Empty Empty '_____-___' Empty "
       "Empty Empty Empty Empty Empty Empty Empty Empty"},
      {"Referencia", "0 Null 1 Null Null Null False 0 0 0 0 Null Null Null"},
      {"Interestadual", "0 '' '' '' 0 0 0 0 0 0 0 0 0"},
      {"DetalheZFMALC", "0 0 Null Null Null Null 0 Null Null Null Null"},
      {"Ocorrência", "0 -1 '' '' '' 0 True"},
      {"IERemetente", "0 '' 0"},
      {"IESubstituto", "0 Null 0 0 Null Null"},
      {"IESubstituido", "0 Null 0 0"},
      {"OcorrenciasCredito", "0 '' 0"},
      {"DIPAM", "0 0 Null Null Null 0"},
      {"RegistroExp", "0 0"},
      {"Pagamento", "0 True -1 '' 0"},
  };
  for (const auto& record : RecordObjects()) {
    const std::string name = record->Class().name();
    EXPECT_EQ(Shown(testing::AllValues(*record)), defaults.at(name)) << name;
    record->Set(0, Variant(9));
    record->Clear();
    EXPECT_EQ(Shown(testing::AllValues(*record)), defaults.at(name)) << name;
  }
}

TEST(RecordClassesTest, EveryFieldRowNamesAColumnOfItsTable) {
  const auto records = RecordObjects();
  EXPECT_EQ(records.size(), 13u);
  for (const auto& record : records) {
    const records::RecordLayout& layout = record->layout();
    EXPECT_EQ(records::LayoutFaults(layout.table(), layout.rows()), std::vector<std::string>())
        << record->Class().name();
    EXPECT_EQ(layout.SlotOrder().size(), layout.size()) << record->Class().name();
  }
}

TEST(RecordClassesTest, ALayoutWithAColumnItsTableLacksIsRefused) {
  constexpr FieldRow kMisspelt[] = {
      {0, "NroVEK", records::kZero, records::kEveryUse},
      FieldRow{1, "Imposto", records::kZero, records::kEveryUse}.Column("Impost"),
      {2, "Código", records::kZero, records::kRead | records::kCreate},
  };
  EXPECT_EQ(records::LayoutFaults("tblOcorrências", kMisspelt),
            (std::vector<std::string>{"no column Impost of tblOcorrências",
                                      "counter column Código of tblOcorrências written"}));
  EXPECT_THROW(records::RecordLayout("tblDetalhesCFOPs", kMisspelt), std::logic_error);
  EXPECT_EQ(records::LayoutFaults("tblNada", kMisspelt),
            std::vector<std::string>{"no table tblNada in the file schema"});
}

class PropertyLetTest : public testing::RecordsTest {};

// An object whose default member needs arguments (a recordset) cannot give a value: every
// property's Let swallows that and keeps what it held.
TEST_F(PropertyLetTest, EveryPropertyTrapsAnObjectWithoutAValue) {
  const Variant recordset(WrapRecordset(db_->OpenRecordset("tblVersão")));
  for (const auto& record : RecordObjects()) {
    for (size_t field = 0; field < record->layout().size(); ++field) {
      const std::string property(record->layout().row(field).name);
      const Variant held = record->Get(field);
      EXPECT_EQ(testing::ErrorOf([&] { LetProperty(*record, property, recordset); }), 0);
      EXPECT_EQ(record->Get(field), held) << property;
      EXPECT_TRUE(swallowed_.Has(record->Class().name() + "." + property, 450)) << property;
    }
  }
}

}  // namespace
}  // namespace orvalis
