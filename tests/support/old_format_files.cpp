#include "support/old_format_files.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "component/collection.h"
#include "database/declaration_schema.h"

namespace orvalis::testing {

namespace {

constexpr std::string_view kKnownFamily[] = {"0700", "0070", "0701", "0710",
                                             "0720", "0730", "0740", "0750"};

// What the general step adds to every file outside the family.
constexpr OldLayout kGeneralStepAdds = kNoDataGeracaoColigida | kNoAutenticacao |
                                       kNoCreditReceipts | kNoInterUfImposto | kNoSubstitutoColumn |
                                       kNoSubstituidoColumn | kShortNoteNumbers;

struct ListShape {
  std::string_view table;
  std::string_view registration;
  std::string_view relation;
};
constexpr ListShape kLists[] = {
    {"tblIESubstituto", "IESubstituto", "OcorrênciasIESubstituto"},
    {"tblIESubstituido", "IESubstituido", "OcorrênciasIESubstituido"},
};

bool Has(OldLayout layout, OldLayout features) { return (layout & features) != 0; }

std::shared_ptr<TableDef> Table(Database& db, std::string_view name) {
  return ItemNamed(db.TableDefs(), name);
}

bool HasTable(Database& db, std::string_view name) {
  return PositionNamed(db.TableDefs(), name) >= 0;
}

void DropRelationsOf(Database& db, std::string_view table) {
  for (const auto& relation : db.Relations()) {
    if (relation->Table() == table || relation->ForeignTable() == table) {
      db.DeleteRelation(relation->Name());
    }
  }
}

void DropTable(Database& db, std::string_view table) {
  DropRelationsOf(db, table);
  db.DeleteTableDef(std::string(table));
}

void DropColumns(Database& db, std::string_view table,
                 std::initializer_list<std::string_view> columns) {
  auto definition = Table(db, table);
  for (std::string_view column : columns) definition->DeleteField(std::string(column));
}

void ReplaceColumn(TableDef& table, std::string_view old_name, std::string_view name,
                   int32_t size) {
  table.DeleteField(std::string(old_name));
  table.AppendField(table.CreateField(std::string(name), FieldType::kText, size));
}

// A substitution list in an older shape: its keys taken away and built again as the
// layout says.
void ReshapeList(Database& db, const ListShape& list, OldLayout layout) {
  if (!HasTable(db, list.table)) return;
  DropRelationsOf(db, list.table);
  auto table = Table(db, list.table);
  for (const auto& index : table->Indexes()) table->DeleteIndex(index->Name());
  if (Has(layout, kInterruptedNoteConversion) && list.table == "tblIESubstituido") {
    ReplaceColumn(*table, "NF", "NF2", 9);
    return;
  }
  if (Has(layout, kShortNoteNumbers)) ReplaceColumn(*table, "NF", "NF", 6);
  auto key = table->CreateIndex("Código");
  key->AppendField(key->CreateField("Código"));
  key->AppendField(key->CreateField(std::string(list.registration)));
  if (!Has(layout, kOldSubstitutionKeys)) key->AppendField(key->CreateField("NF"));
  key->SetPrimary(true);
  table->AppendIndex(key);
  if (!Has(layout, kListKeysWithoutRelations)) {
    database::CreateSchemaRelation(db, list.relation, *Table(db, "tblOcorrências"), *table);
  }
}

void TakeAwayTables(Database& db, OldLayout layout) {
  if (Has(layout, kNoExportRegister)) DropTable(db, "tblRegistroExportação");
  if (Has(layout, kNoSubstitutionLists)) {
    for (const auto& list : kLists) DropTable(db, list.table);
  }
  if (Has(layout, kNoCreditReceipts)) DropTable(db, "tblRecibosCredito");
  if (Has(layout, kNoPayments)) DropTable(db, "tblPagamento");
}

void TakeAwayColumns(Database& db, OldLayout layout) {
  if (Has(layout, kNoDataGeracaoColigida)) DropColumns(db, "tblVEK", {"DataGeraçãoColigida"});
  if (Has(layout, kNoAutenticacao)) DropColumns(db, "tblVEK", {"Autenticação"});
  if (Has(layout, kNoInterUfImposto)) DropColumns(db, "tblDetalhesInterUFs", {"Imposto"});
  if (Has(layout, kNoSubstitutoColumn)) DropColumns(db, "tblDetalhesCFOPs", {"ImpRetSubstitutoST"});
  if (Has(layout, kNoSubstituidoColumn)) DropColumns(db, "tblDetalhesCFOPs", {"ImpRetSubstituido"});
  if (Has(layout, kNoGareColumns) && !Has(layout, kNoPayments)) {
    DropColumns(db, "tblPagamento",
                {"JurosMora", "MultaMora_Infração", "AcréscimoFinanceiro", "HonoráriosAdvocatícios",
                 "Observações"});
  }
  auto free_zone = Table(db, "tblZFM_ALC");
  if (Has(layout, kInterruptedNoteConversion)) {
    ReplaceColumn(*free_zone, "NF", "NF2", 9);
  } else if (Has(layout, kShortNoteNumbers)) {
    ReplaceColumn(*free_zone, "NF", "NF", 6);
  }
}

}  // namespace

OldLayout LayoutOfVersion(std::string_view version) {
  if (version == "0799" || version > "0800") return 0;
  const bool family = std::find(std::begin(kKnownFamily), std::end(kKnownFamily), version) !=
                      std::end(kKnownFamily);
  OldLayout layout = 0;
  if (!family) layout |= kGeneralStepAdds | (version < "0790" ? kNoExportRegister : kNoGareColumns);
  if (version < "0710") layout |= kOldSubstitutionKeys;
  if (version < "0790") layout |= kNoPayments;
  return layout;
}

void MakeOldLayout(Database& db, OldLayout layout) {
  TakeAwayTables(db, layout);
  TakeAwayColumns(db, layout);
  if (Has(layout, kShortNoteNumbers | kOldSubstitutionKeys | kListKeysWithoutRelations |
                      kInterruptedNoteConversion)) {
    for (const auto& list : kLists) ReshapeList(db, list, layout);
  }
}

void SetStoredVersion(Database& db, std::string_view version) {
  auto versions = db.OpenRecordset("tblVersão");
  versions->Edit();
  versions->SetValue("Versão", Variant(version));
  versions->Update();
  versions->Close();
}

}  // namespace orvalis::testing
