// The fixture of the apuração tests: a fresh declaration file open in the shared
// workspace, named by the in-memory settings as the current file, with one taxpayer and
// one declaration, and helpers that add rows and bind an ICMS object.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "orvalis/diagnostics.h"
#include "orvalis/icms.h"
#include "database/module_state.h"
#include "orvalis/settings.h"
#include "support/test_support.h"

namespace orvalis {

class IcmsFixture : public ::testing::Test {
 public:
  void SetUp() override {
    InstallSettingsStore(settings_);
    ThisThread() = ModuleState{};
    path_ = OpenNewFile("vek.mdb");
    db_ = BindDatabase(path_);
    settings_->Set("Brisquel", "DB", "DbAtual", path_);
    SetReference("03/2004", "05/2004");
    AddRow("tblContribuinte", {{"IE", "110042490114"}, {"UF", "SP"}});
    vek_ = AddDeclaration();
  }

  void TearDown() override {
    testing::CloseSharedWorkspace();  // and the thread's ICMS number and file name
    InstallSettingsStore(nullptr);
    InstallDiagnosticsHook(nullptr);
  }

  // A new declaration file open in the shared workspace "Brisquel"; returns its path.
  std::string OpenNewFile(const std::string& name) {
    const std::string path = dir_.File(name);
    testing::NewDeclarationFile(*testing::NewWorkspace(), path)->Close();
    FindOrCreateSharedWorkspace()->OpenDatabase(path, false, false, kDatabasePassword);
    return path;
  }

  void SetReference(const std::string& current, const std::string& limit) {
    settings_->Set("Brisquel", "pRef", "RefAtual", current);
    settings_->Set("Brisquel", "Data", "DataLimite", limit);
  }

  void AddRow(const std::string& table, std::vector<std::pair<std::string, Variant>> values,
              Database* db = nullptr) {
    auto rs = (db ? db : db_.get())->OpenRecordset(table);
    rs->AddNew();
    for (const auto& [column, value] : values) rs->SetValue(column, value);
    rs->Update();
  }

  int32_t AddDeclaration(Database* db = nullptr) {
    AddRow("tblVEK", {{"IE", "110042490114"}, {"Ref1", Date::FromYmd(2004, 3, 1)}}, db);
    auto rs = (db ? db : db_.get())->OpenRecordset("SELECT Max(NroVEK) AS n FROM tblVEK");
    return ToLong(rs->GetValue("n"));
  }

  void AddCfop(const char* cfop, Variant imposto, Variant retido = Variant::Null(),
               Variant substituto = Variant::Null(), int32_t vek = 0) {
    AddRow("tblDetalhesCFOPs", {{"NroVEK", vek ? vek : vek_},
                                {"CFOP", cfop},
                                {"Imposto", imposto},
                                {"ImpostoRetidoST", retido},
                                {"ImpRetSubstitutoST", substituto}});
  }

  void AddOccurrence(const char* sub_item, Variant valor, bool own, Database* db = nullptr,
                     int32_t vek = 0) {
    AddRow("tblOcorrências",
           {{"NroVEK", vek ? vek : vek_},
            {"CódSubItem", sub_item},
            {"Valor", valor},
            {"OpPróprias", own}},
           db);
  }

  void AddPayment(bool own, Variant valor) {
    AddRow("tblPagamento", {{"NroVEK", vek_}, {"OpPróprias", own}, {"Valor", valor}});
  }

  void SetHeader(const std::string& column, const std::string& value) {
    db_->Execute("UPDATE tblVEK SET " + column + " = " + value +
                 " WHERE NroVEK = " + std::to_string(vek_));
  }

  Variant Header(const std::string& column) {
    return db_->OpenRecordset("SELECT * FROM tblVEK WHERE NroVEK = " + std::to_string(vek_))
        ->GetValue(column);
  }

  // An ICMS object bound through NroVEK to the declaration `vek` (default: vek_).
  ICMS& Bound(int32_t vek = 0) {
    icms_.LetNroVEK(vek ? vek : vek_);
    return icms_;
  }

  std::shared_ptr<MemorySettingsStore> settings_ = std::make_shared<MemorySettingsStore>();
  testing::TempDir dir_;
  std::string path_;
  std::shared_ptr<Database> db_;
  int32_t vek_ = 0;
  ICMS icms_;
};

}  // namespace orvalis
