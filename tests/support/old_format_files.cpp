#include "support/old_format_files.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "database/declaration_schema.h"
#include "component/collection.h"
#include "orvalis/currency.h"
#include "orvalis/date.h"

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

// ---- sample rows -----------------------------------------------------------------------------

using Values = std::vector<std::pair<std::string_view, Variant>>;

Variant Money(int64_t units) { return Variant(Currency::FromUnits(units)); }
Variant Day(int year, int month, int day) { return Variant(Date::FromYmd(year, month, day)); }

// Adds one row, setting the columns the table has; a note number goes into NF2 when the
// table has NF2 and no NF (a conversion left halfway).
void AddRow(Database& db, std::string_view table, const Values& values) {
  auto rows = db.OpenRecordset(table);
  const auto& columns = rows->Columns();
  auto has = [&](std::string_view name) {
    return std::any_of(columns.begin(), columns.end(),
                       [&](const RecordsetColumn& c) { return c.name == name; });
  };
  rows->AddNew();
  for (const auto& [column, value] : values) {
    if (has(column)) {
      rows->SetValue(column, value);
    } else if (column == "NF" && has("NF2")) {
      rows->SetValue("NF2", value);
    }
  }
  rows->Update();
  rows->Close();
}

std::vector<std::pair<std::string_view, Values>> SampleRows() {
  const Variant null = Variant::Null();
  return {
      {"tblContribuinte",
       {{"IE", "110042490114"},
        {"RazãoSocial", "Orvalis Comércio Ltda"},
        {"UF", "SP"},
        {"DataCadastro", Day(2004, 3, 1)},
        {"Email", "fiscal@orvalis.example"}}},
      {"tblContribuinte", {{"IE", "222333444555"}, {"RazãoSocial", "Segunda"}, {"UF", "AM"}}},
      {"tblVEK",
       {{"IE", "110042490114"},
        {"Tipo", Variant::Byte(1)},
        {"Ref1", Day(2005, 3, 1)},
        {"Movimento", true},
        {"SaldoCredor", Money(1500)},
        {"DataGeraçãoColigida", Day(2005, 4, 2)},
        {"Autenticação", "AUT-0001"},
        {"ChaveInterna", "K1"}}},
      {"tblVEK", {{"IE", "110042490114"}, {"Tipo", Variant::Byte(1)}, {"Ref1", Day(2005, 4, 1)}}},
      {"tblVEK", {{"IE", "222333444555"}, {"Tipo", Variant::Byte(2)}, {"Ref1", Day(2005, 3, 1)}}},
      {"tblDetalhesCFOPs",
       {{"NroVEK", 1},
        {"CFOP", "5102"},
        {"ValorContábil", Money(10000)},
        {"BaseCálculo", Money(10000)},
        {"Imposto", Money(1800)},
        {"ImpRetSubstitutoST", Money(125)},
        {"ImpRetSubstituido", null}}},
      {"tblDetalhesCFOPs",
       {{"NroVEK", 1},
        {"CFOP", "6102"},
        {"ValorContábil", Money(500)},
        {"ImpRetSubstitutoST", null},
        {"ImpRetSubstituido", Money(3)}}},
      {"tblDetalhesCFOPs", {{"NroVEK", 3}, {"CFOP", "1102"}, {"ValorContábil", Money(70)}}},
      {"tblDetalhesInterUFs",
       {{"NroVEK", 1},
        {"CFOP", "6102"},
        {"UF", "13"},
        {"ValorContábil_1", Money(500)},
        {"Imposto", null}}},
      {"tblDetalhesInterUFs",
       {{"NroVEK", 1}, {"CFOP", "6102"}, {"UF", "35"}, {"Imposto", Money(60)}}},
      {"tblZFM_ALC",
       {{"NroVEK", 1},
        {"CFOP", "6102"},
        {"UF", "13"},
        {"NF", "123456"},
        {"Data", Day(2005, 3, 10)},
        {"Valor", Money(250)},
        {"CNPJDest", "04.123.456/0001-00"}}},
      {"tblZFM_ALC",
       {{"NroVEK", 1}, {"CFOP", "6102"}, {"UF", "13"}, {"NF", "000042"}, {"Valor", Money(250)}}},
      {"tblOcorrências",
       {{"NroVEK", 1},
        {"CódSubItem", "002.01"},
        {"Valor", Money(50)},
        {"OpPróprias", true},
        {"FLegal", "Art. 1"}}},
      {"tblOcorrências",
       {{"NroVEK", 1}, {"CódSubItem", "007.02"}, {"Valor", Money(20)}, {"OpPróprias", false}}},
      {"tblOcorrências", {{"NroVEK", 3}, {"CódSubItem", "014.01"}, {"Valor", Money(9)}}},
      {"tblIEsRemetente", {{"Código", 1}, {"IERemetente", "111222333444"}, {"Valor", Money(10)}}},
      {"tblIESubstituto",
       {{"Código", 2},
        {"IESubstituto", "333"},
        {"NF", "111111"},
        {"DataInicio", Day(2005, 3, 1)},
        {"DataFim", Day(2005, 3, 31)},
        {"Valor", Money(4)}}},
      {"tblIESubstituto", {{"Código", 2}, {"IESubstituto", "334"}, {"NF", "222222"}}},
      {"tblIESubstituido",
       {{"Código", 2}, {"IESubstituido", "555"}, {"NF", "333333"}, {"Valor", Money(7)}}},
      {"tblIESubstituido", {{"Código", 3}, {"IESubstituido", "556"}, {"NF", "1"}}},
      {"tblRegistroExportação", {{"NroVEK", 1}, {"RE", "05/0123456-001"}}},
      {"tblDIPAM",
       {{"NroVEK", 1}, {"CódDIPAM", "2.1"}, {"Município", "3550308"}, {"Valor", Money(5)}}},
      {"tblApuraçãoOperaçõesPróprias", {{"NroVEK", 1}, {"Campo", "051"}, {"Valor", "1.800,00"}}},
      {"tblApuraçãoSubstituiçãoTributária", {{"NroVEK", 1}, {"Campo", "051"}}},
      {"tblResumoCFOPsEntradas", {{"NroVEK", 3}, {"CFOP", "1102"}, {"ValorContábil", "70,00"}}},
      {"tblResumoCFOPsSaídas", {{"NroVEK", 1}, {"CFOP", "5102"}, {"Imposto", "1.800,00"}}},
      {"tblRecibosCredito", {{"Código", 1}, {"CodAutorização", "A1B2C3"}, {"Valor", Money(3)}}},
      {"tblPagamento",
       {{"NroVEK", 1},
        {"OpPróprias", true},
        {"Data", "10/04/2005"},
        {"Valor", Money(1800)},
        {"JurosMora", "1,50"},
        {"Observações", "GARE paga"}}},
  };
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

void AddSampleRows(Database& db) {
  for (const auto& [table, values] : SampleRows()) {
    if (HasTable(db, table)) AddRow(db, table, values);
  }
}

void SetStoredVersion(Database& db, std::string_view version) {
  auto versions = db.OpenRecordset("tblVersão");
  versions->Edit();
  versions->SetValue("Versão", Variant(version));
  versions->Update();
  versions->Close();
}

void MakeFileOfVersion(Database& db, std::string_view version, OldLayout layout) {
  MakeOldLayout(db, layout == ~0u ? LayoutOfVersion(version) : layout);
  AddSampleRows(db);
  SetStoredVersion(db, version);
}

}  // namespace orvalis::testing
