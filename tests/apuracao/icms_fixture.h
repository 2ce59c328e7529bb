// The fixture of the apuração tests: a fresh declaration file open in the shared
// workspace, named by the in-memory settings as the current file, with one taxpayer and
// one declaration, and helpers that add rows and bind an ICMS object.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database/module_state.h"
#include "orvalis/diagnostics.h"
#include "orvalis/icms.h"
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

  void AddRow(const char* table, const testing::Columns& values, Database* db = nullptr) {
    testing::AddRow(db ? *db : *db_, table, values);
  }

  int32_t AddDeclaration(Database* db = nullptr) {
    return ToLong(testing::AddRow(db ? *db : *db_, "tblVEK",
                                  {{"IE", "110042490114"}, {"Ref1", Date::FromYmd(2004, 3, 1)}})
                      ->GetValue("NroVEK"));
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

  // A row for every field of declaration vek_, each also with a row it must not count
  // (another prefix or the other kind of operation), header amounts and payments.
  void FillDeclaration() {
    AddCfop("5101", "100", "10", "20");
    AddCfop("6102", "200", "1", "2");
    AddCfop("7101", "300");
    AddCfop("1102", "50", "3", "4");
    AddCfop("2102", "60", "5", "6");
    AddCfop("3102", "70");
    AddCfop("4101", "9000", "9000", "9000");
    const char* sub_items[] = {"002.01", "003", "007.1", "008.9", "014.01"};
    for (int i = 0; i < 5; ++i) {
      AddOccurrence(sub_items[i], 11 + 2 * i, true);
      AddOccurrence(sub_items[i], 12 + 2 * i, false);
    }
    AddOccurrence("1002", 9000, true);
    AddOccurrence("001", 9000, false);
    SetHeader("SaldoCredAntDig", "300");
    SetHeader("SaldoCredAntDigST", "25");
    SetHeader("ICMSFixPerRES", "1000.5");
    SetHeader("OutrasRES", "-0.25");
    AddPayment(true, "100,25");
    AddPayment(true, "1.000");
    for (int i = 0; i < 3; ++i) AddPayment(false, Variant::Null());
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
