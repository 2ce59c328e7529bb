#include "database/declaration_schema.h"

#include <array>

#include "component/collection.h"
#include "orvalis/error.h"

namespace orvalis::database {

namespace {

using T = FieldType;
using K = std::string_view;

constexpr ColumnDefinition kVersao[] = {{"Versão", T::kText, 15}, {"Observação", T::kText, 255}};
constexpr K kVersaoKey[] = {"Versão"};

constexpr ColumnDefinition kContribuinte[] = {{"IE", T::kText, 15},
                                              {"RazãoSocial", T::kText, 255},
                                              {"CNPJ", T::kText, 30},
                                              {"CNAE", T::kText, 20},
                                              {"Localização", T::kText, 100},
                                              {"Número", T::kText, 10},
                                              {"Complemento", T::kText, 50},
                                              {"Bairro", T::kText, 50},
                                              {"CEP", T::kText, 20},
                                              {"Município", T::kText, 50},
                                              {"UF", T::kText, 2},
                                              {"Telefone", T::kText, 20},
                                              {"HomePage", T::kText, 100},
                                              {"FAX", T::kText, 20},
                                              {"Contato", T::kText, 50},
                                              {"DataCadastro", T::kDate, 0},
                                              {"Email", T::kMemo, 0},
                                              {"Observação", T::kMemo, 0}};
constexpr K kContribuinteKey[] = {"IE"};

constexpr ColumnDefinition kVek[] = {{"NroVEK", T::kLong, 0, true},
                                     {"IE", T::kText, 15},
                                     {"Tipo", T::kByte, 0},
                                     {"RegTrib", T::kText, 2},
                                     {"Ref1", T::kDate, 0},
                                     {"Ref2", T::kDate, 0},
                                     {"Movimento", T::kBoolean, 0},
                                     {"SaldoCredor", T::kCurrency, 0},
                                     {"SaldoCredAntDig", T::kCurrency, 0},
                                     {"Transmitida", T::kText, 1},
                                     {"DeduçõesRPA", T::kCurrency, 0},
                                     {"ICMSFixPerRES", T::kCurrency, 0},
                                     {"OutrasRES", T::kCurrency, 0},
                                     {"SaldoCredorST", T::kCurrency, 0},
                                     {"SaldoCredAntDigST", T::kCurrency, 0},
                                     {"DeduçõesST", T::kCurrency, 0},
                                     {"Origem", T::kText, 15},
                                     {"OrigemPrefDig", T::kText, 1},
                                     {"Consistente", T::kBoolean, 0},
                                     {"DataTransmissão", T::kDate, 0},
                                     {"DataGeraçãoSubstitutiva", T::kDate, 0},
                                     {"DataGeraçãoColigida", T::kDate, 0},
                                     {"Autenticação", T::kText, 32},
                                     {"ChaveInterna", T::kText, 32}};
constexpr K kVekKey[] = {"NroVEK"};

constexpr ColumnDefinition kDetalhesCfops[] = {{"NroVEK", T::kLong, 0},
                                               {"CFOP", T::kText, 10},
                                               {"ValorContábil", T::kCurrency, 0},
                                               {"BaseCálculo", T::kCurrency, 0},
                                               {"Imposto", T::kCurrency, 0},
                                               {"IsentasNãoTrib", T::kCurrency, 0},
                                               {"Outras", T::kCurrency, 0},
                                               {"ImpostoRetidoST", T::kCurrency, 0},
                                               {"ImpRetSubstitutoST", T::kCurrency, 0},
                                               {"ImpRetSubstituido", T::kCurrency, 0},
                                               {"OutrosImpostos", T::kCurrency, 0}};
constexpr K kDetalhesCfopsKey[] = {"NroVEK", "CFOP"};

constexpr ColumnDefinition kDetalhesInterUfs[] = {{"NroVEK", T::kLong, 0},
                                                  {"CFOP", T::kText, 10},
                                                  {"UF", T::kText, 2},
                                                  {"ValorContábil_1", T::kCurrency, 0},
                                                  {"BaseCálculo_1", T::kCurrency, 0},
                                                  {"ValorContábil_2", T::kCurrency, 0},
                                                  {"BaseCálculo_2", T::kCurrency, 0},
                                                  {"Imposto", T::kCurrency, 0},
                                                  {"Outras", T::kCurrency, 0},
                                                  {"ICMSCobradoST", T::kCurrency, 0},
                                                  {"PetróleoEnergia", T::kCurrency, 0},
                                                  {"OutrosProdutos", T::kCurrency, 0}};
constexpr K kDetalhesInterUfsKey[] = {"NroVEK", "CFOP", "UF"};

constexpr ColumnDefinition kZfmAlc[] = {{"NroVEK", T::kLong, 0},
                                        {"CFOP", T::kText, 10},
                                        {"UF", T::kText, 2},
                                        {"NroLançamento", T::kLong, 0, true},
                                        {"NF", T::kText, 9},
                                        {"Data", T::kDate, 0},
                                        {"Valor", T::kCurrency, 0},
                                        {"CNPJDest", T::kText, 30},
                                        {"MunicípioDest", T::kText, 50}};
constexpr K kZfmAlcKey[] = {"NroVEK", "CFOP", "UF", "NroLançamento"};

constexpr ColumnDefinition kOcorrencias[] = {
    {"NroVEK", T::kLong, 0},       {"Código", T::kLong, 0, true}, {"CódSubItem", T::kText, 10},
    {"Valor", T::kCurrency, 0},    {"FLegal", T::kMemo, 0},       {"Ocorrência", T::kMemo, 0},
    {"OpPróprias", T::kBoolean, 0}};
constexpr K kCodigoKey[] = {"Código"};

constexpr ColumnDefinition kIEsRemetente[] = {
    {"Código", T::kLong, 0}, {"IERemetente", T::kText, 15}, {"Valor", T::kCurrency, 0}};
constexpr K kIEsRemetenteKey[] = {"Código", "IERemetente"};

constexpr ColumnDefinition kIESubstituto[] = {
    {"Código", T::kLong, 0},     {"IESubstituto", T::kText, 15}, {"NF", T::kText, 9},
    {"DataInicio", T::kDate, 0}, {"DataFim", T::kDate, 0},       {"Valor", T::kCurrency, 0}};
constexpr K kIESubstitutoKey[] = {"Código", "IESubstituto", "NF"};

constexpr ColumnDefinition kIESubstituido[] = {{"Código", T::kLong, 0},
                                               {"IESubstituido", T::kText, 15},
                                               {"NF", T::kText, 9},
                                               {"Valor", T::kCurrency, 0}};
constexpr K kIESubstituidoKey[] = {"Código", "IESubstituido", "NF"};

constexpr ColumnDefinition kRegistroExportacao[] = {{"NroVEK", T::kLong, 0}, {"RE", T::kText, 15}};
constexpr K kRegistroExportacaoKey[] = {"NroVEK", "RE"};

constexpr ColumnDefinition kDipam[] = {{"NroVEK", T::kLong, 0},
                                       {"Código", T::kLong, 0, true},
                                       {"CódDIPAM", T::kText, 10},
                                       {"Município", T::kText, 0},
                                       {"Valor", T::kCurrency, 0}};

constexpr ColumnDefinition kApuracao[] = {{"NroLinha", T::kLong, 0, true}, {"NroVEK", T::kLong, 0},
                                          {"Campo", T::kText, 0},          {"Linha", T::kText, 0},
                                          {"CódigoSubitem", T::kText, 0},  {"Total", T::kText, 0},
                                          {"Valor", T::kText, 0}};
constexpr K kNroLinhaKey[] = {"NroLinha"};

constexpr ColumnDefinition kResumoCfops[] = {{"NroLinha", T::kLong, 0, true},
                                             {"NroVEK", T::kLong, 0},
                                             {"Linha", T::kText, 0},
                                             {"CFOP", T::kText, 0},
                                             {"ValorContábil", T::kText, 0},
                                             {"BaseCálculo", T::kText, 0},
                                             {"Imposto", T::kText, 0},
                                             {"IsentasNãoTrib", T::kText, 0},
                                             {"Outras", T::kText, 0},
                                             {"ImpostoRetidoST", T::kText, 0},
                                             {"ImpRetSubstitutoST", T::kText, 0},
                                             {"ImpRetSubstituido", T::kText, 0},
                                             {"OutrosImpostos", T::kText, 0}};

constexpr ColumnDefinition kRecibosCredito[] = {
    {"Código", T::kLong, 0}, {"CodAutorização", T::kText, 16}, {"Valor", T::kCurrency, 0}};
constexpr K kRecibosCreditoKey[] = {"Código", "CodAutorização"};

constexpr ColumnDefinition kPagamento[] = {{"NroVEK", T::kLong, 0},
                                           {"OpPróprias", T::kBoolean, 0},
                                           {"PagtoID", T::kLong, 0, true},
                                           {"Data", T::kText, 10},
                                           {"Valor", T::kCurrency, 0},
                                           {"JurosMora", T::kText, 50},
                                           {"MultaMora_Infração", T::kText, 50},
                                           {"AcréscimoFinanceiro", T::kText, 50},
                                           {"HonoráriosAdvocatícios", T::kText, 50},
                                           {"Observações", T::kMemo, 0}};
constexpr K kPagtoIdKey[] = {"PagtoID"};

constexpr TableDefinition kTables[] = {
    {"tblVersão", kVersao, kVersaoKey},
    {"tblContribuinte", kContribuinte, kContribuinteKey},
    {"tblVEK", kVek, kVekKey},
    {"tblDetalhesCFOPs", kDetalhesCfops, kDetalhesCfopsKey},
    {"tblDetalhesInterUFs", kDetalhesInterUfs, kDetalhesInterUfsKey},
    {"tblZFM_ALC", kZfmAlc, kZfmAlcKey},
    {"tblOcorrências", kOcorrencias, kCodigoKey},
    {"tblIEsRemetente", kIEsRemetente, kIEsRemetenteKey},
    {"tblIESubstituto", kIESubstituto, kIESubstitutoKey},
    {"tblIESubstituido", kIESubstituido, kIESubstituidoKey},
    {"tblRegistroExportação", kRegistroExportacao, kRegistroExportacaoKey},
    {"tblDIPAM", kDipam, kCodigoKey},
    {"tblApuraçãoOperaçõesPróprias", kApuracao, kNroLinhaKey},
    {"tblApuraçãoSubstituiçãoTributária", kApuracao, kNroLinhaKey},
    {"tblResumoCFOPsEntradas", kResumoCfops, kNroLinhaKey},
    {"tblResumoCFOPsSaídas", kResumoCfops, kNroLinhaKey},
    {"tblRecibosCredito", kRecibosCredito, kRecibosCreditoKey},
    {"tblPagamento", kPagamento, kPagtoIdKey},
};

constexpr K kIE[] = {"IE"};
constexpr K kNroVEK[] = {"NroVEK"};
constexpr K kNroVEKCfop[] = {"NroVEK", "CFOP"};
constexpr K kNroVEKCfopUf[] = {"NroVEK", "CFOP", "UF"};
constexpr K kCodigo[] = {"Código"};
constexpr int32_t kCascadeAll = 16781568;  // cascade update + cascade delete + left join mark
constexpr int32_t kCascadeDelete = kRelationDeleteCascade;

constexpr RelationDefinition kRelations[] = {
    {"ContribuinteVEK", "tblContribuinte", "tblVEK", kIE, kCascadeAll},
    {"VEKDetalhesCFOPs", "tblVEK", "tblDetalhesCFOPs", kNroVEK, kCascadeAll},
    {"DCFOPsDInterUFs1", "tblDetalhesCFOPs", "tblDetalhesInterUFs", kNroVEKCfop, kCascadeDelete},
    {"DInterUFsZFM_ALC", "tblDetalhesInterUFs", "tblZFM_ALC", kNroVEKCfopUf, kCascadeDelete},
    {"VEKOcorrências", "tblVEK", "tblOcorrências", kNroVEK, kCascadeDelete},
    {"OcorrênciasIEsRemetente", "tblOcorrências", "tblIEsRemetente", kCodigo, kCascadeDelete},
    {"OcorrênciasIESubstituto", "tblOcorrências", "tblIESubstituto", kCodigo, kCascadeDelete},
    {"OcorrênciasIESubstituido", "tblOcorrências", "tblIESubstituido", kCodigo, kCascadeDelete},
    {"VEKRE", "tblVEK", "tblRegistroExportação", kNroVEK, kCascadeDelete},
    {"VEKDIPAM", "tblVEK", "tblDIPAM", kNroVEK, kCascadeDelete},
    {"VEKPagamento", "tblVEK", "tblPagamento", kNroVEK, kCascadeDelete},
};

}  // namespace

std::span<const TableDefinition> SchemaTables() { return kTables; }
std::span<const RelationDefinition> SchemaRelations() { return kRelations; }

const TableDefinition& SchemaTable(std::string_view name) {
  for (const auto& table : kTables) {
    if (table.name == name) return table;
  }
  ThrowItemNotFound();
}

const RelationDefinition& SchemaRelation(std::string_view name) {
  for (const auto& relation : kRelations) {
    if (relation.name == name) return relation;
  }
  ThrowItemNotFound();
}

std::shared_ptr<TableDef> CreateSchemaTable(Database& db, std::string_view name) {
  const TableDefinition& definition = SchemaTable(name);
  auto table = db.CreateTableDef(std::string(definition.name));
  for (const auto& column : definition.columns) {
    table->AppendField(table->CreateField(std::string(column.name), column.type, column.size));
  }
  for (const auto& column : definition.columns) {
    if (column.counter) ItemNamed(table->Fields(), column.name)->SetAttributes(kAutoIncrField);
  }
  AppendSchemaKey(*table);
  db.AppendTableDef(table);
  return table;
}

void AppendSchemaKey(TableDef& table) {
  const TableDefinition& definition = SchemaTable(table.Name());
  auto index = table.CreateIndex(std::string(definition.key.front()));
  for (const auto& key : definition.key) index->AppendField(index->CreateField(std::string(key)));
  index->SetPrimary(true);
  index->SetUnique(true);
  table.AppendIndex(index);
}

void CreateSchemaRelation(Database& db, std::string_view name, const TableDef& table,
                          const TableDef& foreign_table) {
  const RelationDefinition& definition = SchemaRelation(name);
  auto relation = db.CreateRelation(std::string(definition.name), table.Name(),
                                    foreign_table.Name(), definition.attributes);
  for (const auto& column : definition.columns) {
    auto field = relation->CreateField(std::string(column));
    field->SetForeignName(std::string(column));
    relation->AppendField(field);
  }
  db.AppendRelation(relation);
}

void WriteCurrentVersion(Database& db, VersionRow row) {
  auto versions = db.OpenRecordset("tblVersão");
  if (row == VersionRow::kNew) {
    versions->AddNew();
  } else {
    versions->Edit();
  }
  versions->SetValue("Versão", Variant(kCurrentVersion));
  versions->SetValue("Observação", Variant(kVersionNote));
  versions->Update();
  versions->Close();
}

void CreateFullSchema(Database& db) {
  std::vector<std::shared_ptr<TableDef>> created;
  auto created_table = [&](std::string_view name) -> const TableDef& {
    for (const auto& table : created) {
      if (table->Name() == name) return *table;
    }
    ThrowItemNotFound();
  };
  for (const auto& definition : kTables) {
    created.push_back(CreateSchemaTable(db, definition.name));
    if (definition.name == "tblVersão") WriteCurrentVersion(db, VersionRow::kNew);
    for (const auto& relation : kRelations) {
      if (relation.foreign_table != definition.name) continue;
      CreateSchemaRelation(db, relation.name, created_table(relation.table),
                           created_table(relation.foreign_table));
    }
  }
}

}  // namespace orvalis::database
