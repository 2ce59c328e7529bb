// What every record and collection class shares, checked over all of them: the members
// in interface slot order, each record's field rows against its table in the file schema,
// and the trap on every property's Let.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/engine_objects.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using records::FieldRow;
using testing::MemberNames;

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

TEST(RecordClassesTest, MembersAreInInterfaceSlotOrder) {
  const std::string record = "DBIndex Fetch Create Delete Update Clear ";
  const std::string walk = "Fetch MovePrevious MoveNext MoveFirst Last Conjunto Count";
  const std::pair<const char*, std::string> classes[] = {
      {"Orvalis.CFOP", record +
                           "NroVEK CFOP ValorContábil BaseCálculo Imposto IsentasNãoTrib Outras "
                           "ImpostoRetidoST ImpRetSubstitutoST ImpRetSubstituido OutrosImpostos "
                           "DeleteZFM_ALC"},
      {"Orvalis.CFOPs", "DBIndex Item " + walk},
      {"Orvalis.Referencia", record + "NroVEK IE Tipo RegTrib Ref1 Ref2 Movimento SaldoCredor "
                                      "SaldoCredAntDig SaldoCredAntDigST Transmitida Origem "
                                      "OrigemPrefDig IcmsFixPerRES"},
      {"Orvalis.Referencias",
       "DBIndex Item Fetch MovePrevious MoveNext MoveFirst MoveLast Conjunto Count"},
      {"Orvalis.Contribuinte", record +
                                   "DataCadastro Observação IE RS CNPJ CNAE Localização Número "
                                   "Complemento Bairro CEP Município UF Telefone HomePage FAX "
                                   "Contato Email"},
      {"Orvalis.Contribuintes", "DBIndex Item " + walk},
      {"Orvalis.Interestadual", record + "NroVEK UF CFOP Sigla ValorContábil_1 ValorContábil_2 "
                                         "BaseCálculo_1 BaseCálculo_2 Imposto Outras ICMSCobradoST "
                                         "PetróleoEnergia OutrosProdutos"},
      {"Orvalis.Interestaduais",
       "DBIndex Item NroVEK CFOP Sigla UF ValorContabil1 BaseCalculo1 ValorContabil2 "
       "BaseCalculo2 Imposto Outras ICMSCobradoST PetroleoEnergia OutrosProdutos " +
           walk},
      {"Orvalis.DetalheZFMALC", record +
                                    "NroVEK CFOP UF Sigla NF NroLançamento Data Valor CNPJDest "
                                    "MunicípioDest Município"},
      {"Orvalis.DetalhesZFMALC", "DBIndex Item " + walk},
      {"Orvalis.Ocorrência",
       record + "NroVEK Código CódSubItem FLegal Ocorrência Valor opPróprias"},
      {"Orvalis.Ocorrências", "DBIndex Item " + walk},
      {"Orvalis.IERemetente", record + "Código IERemetente Valor"},
      {"Orvalis.IEsRemetentes", "DBIndex Item " + walk},
      {"Orvalis.IESubstituto", record + "Código IESubstituto NF Valor DataInicio DataFim"},
      {"Orvalis.IESubstitutos", "DBIndex Item " + walk},
      {"Orvalis.IESubstituido", record + "Código IESubstituido NF Valor"},
      {"Orvalis.IESubstituidos", "DBIndex Item " + walk},
      {"Orvalis.OcorrenciasCredito", record + "Código CodAutorização Valor"},
      {"Orvalis.OcorrenciasCreditos", "DBIndex Item " + walk},
      {"Orvalis.DIPAM", record + "NroVEK Código CódDIPAM Município CódMunicípio Valor"},
      {"Orvalis.DIPAMs",
       "DBIndex Item Fetch MovePrevious MoveNext MoveFirst MoveLast Conjunto Count"},
      {"Orvalis.RegistroExp", record + "NroVEK RE"},
      {"Orvalis.RegistroExps", "DBIndex Item " + walk},
      {"Orvalis.Pagamento", record + "NroVEK PagtoID opPróprias Data Valor"},
      {"Orvalis.Pagamentos", "DBIndex Item " + walk},
  };
  for (const auto& [prog_id, members] : classes) {
    EXPECT_EQ(MemberNames(*CreateObject(prog_id)), members) << prog_id;
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
