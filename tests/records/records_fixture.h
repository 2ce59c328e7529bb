// The fixture of the record and collection tests: a fresh declaration file opened in the
// shared workspace "Brisquel" (where DBIndex finds it), rows written around the classes
// through the engine, and the errors the classes swallow, as the diagnostics hook sees
// them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/module_state.h"
#include "engine/sql_text.h"
#include "orvalis/class_info.h"
#include "orvalis/diagnostics.h"
#include "orvalis/mantem_db.h"
#include "orvalis/object.h"
#include "orvalis/records/record_base.h"
#include "support/test_support.h"

namespace orvalis::testing {

inline constexpr const char* kIE = "110042490114";

// The reports the diagnostics hook receives while the object lives: the operation and
// error number of each, and whether the test has looked for it (Has). RecordsTest fails
// a test that leaves a report it never looked for: an error swallowed unexpectedly.
class SwallowedErrors {
 public:
  struct Report {
    std::string operation;
    int32_t number;
    bool expected = false;
  };

  SwallowedErrors() {
    InstallDiagnosticsHook([reports = reports_](std::string_view operation, const Error& error) {
      reports->push_back({std::string(operation), error.number()});
    });
  }
  ~SwallowedErrors() { InstallDiagnosticsHook(nullptr); }
  SwallowedErrors(const SwallowedErrors&) = delete;
  SwallowedErrors& operator=(const SwallowedErrors&) = delete;

  size_t size() const { return reports_->size(); }
  bool empty() const { return reports_->empty(); }
  // Whether `operation` ("CFOP.Fetch") reported error `number`; marks those reports as
  // expected.
  bool Has(std::string_view operation, int32_t number) {
    bool found = false;
    for (Report& report : *reports_) {
      if (report.operation == operation && report.number == number) found = report.expected = true;
    }
    return found;
  }
  // The reports no Has looked for, one "<operation> <number>" each.
  std::vector<std::string> Unexpected() const {
    std::vector<std::string> unexpected;
    for (const Report& report : *reports_) {
      if (!report.expected) {
        unexpected.push_back(report.operation + " " + std::to_string(report.number));
      }
    }
    return unexpected;
  }

 private:
  std::shared_ptr<std::vector<Report>> reports_ = std::make_shared<std::vector<Report>>();
};

// A fresh declaration file opened by MantemDB.Db_Open in a component folder of its own
// (so the fixed tables are linked), the rows a test needs written around the classes
// through the engine, the statements the classes send, and the errors they swallow.
class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest() : path_(home_.File("declaracao.mdb")), db_(OpenDeclaration(path_)) {}
  ~RecordsTest() override { CloseSharedWorkspace(); }

  void TearDown() override {
    for (const std::string& report : swallowed_.Unexpected()) {
      ADD_FAILURE() << "error swallowed unexpectedly: " << report;
    }
  }

  // A new object of class T bound to the fixture's file.
  template <typename T>
  std::shared_ptr<T> Bound() {
    auto object = std::make_shared<T>();
    object->DBIndex(path_);
    return object;
  }

  // A new object of class T bound to the fixture's file, holding `values` by field; or
  // created with them.
  template <typename T>
  std::shared_ptr<T> Holding(std::initializer_list<std::pair<size_t, Variant>> values) {
    auto object = Bound<T>();
    for (const auto& [field, value] : values) object->Set(field, value);
    return object;
  }
  template <typename T>
  std::shared_ptr<T> Created(std::initializer_list<std::pair<size_t, Variant>> values) {
    auto object = Holding<T>(values);
    object->Create();
    return object;
  }

  // The statements the file runs while `action` runs, in order.
  std::vector<std::string> Statements(const std::function<void()>& action) {
    std::vector<std::string> sent;
    db_->SetStatementTrace([&sent](std::string_view sql) { sent.emplace_back(sql); });
    action();
    db_->SetStatementTrace(nullptr);
    return sent;
  }

  void AddTaxpayer(const std::string& ie, const Variant& uf = Variant("SP")) {
    AddRow("tblContribuinte", {{"IE", ie}, {"UF", uf}});
  }
  // A declaration of `ie` (a taxpayer added first if needed); its engine-given number.
  int32_t AddDeclaration(const std::string& ie = kIE, Date ref1 = Date::FromYmd(2005, 3, 1)) {
    if (Rows("tblContribuinte WHERE IE = '" + DoubleQuotes(ie) + "'") == 0) AddTaxpayer(ie);
    return ToLong(AddRow("tblVEK", {{"IE", ie}, {"Ref1", ref1}})->GetValue("NroVEK"));
  }
  // Adds a row to `table` with the given column values; the recordset is left on it.
  std::shared_ptr<Recordset> AddRow(std::string_view table, const Columns& columns) {
    return testing::AddRow(*db_, table, columns);
  }
  int32_t Rows(const std::string& from_where) { return CountRows(*db_, from_where); }
  // `column` of the first row of `sql`.
  Variant Stored(const std::string& sql, std::string_view column) {
    return db_->OpenRecordset(sql)->GetValue(column);
  }

  ComponentHome home_;
  std::string path_;
  std::shared_ptr<Database> db_;
  SwallowedErrors swallowed_;  // after the open: Db_Open's own swallowed errors are no test's

 private:
  static std::shared_ptr<Database> OpenDeclaration(const std::string& path) {
    NewDeclarationFile(*NewWorkspace(), path)->Close();
    MantemDB().Db_Open(path);
    return BindDatabase(path);
  }
};

// Every held value of a record, in the order of its Field enum.
inline std::vector<Variant> AllValues(const RecordBase& record) {
  std::vector<Variant> values;
  for (size_t field = 0; field < record.layout().size(); ++field) {
    values.push_back(record.Get(field));
  }
  return values;
}

// Calls Update, then Delete; the number of the error either raised (0: none).
inline int32_t UpdateThenDelete(RecordBase& record) {
  return ErrorOf([&] {
    record.Update();
    record.Delete();
  });
}

// Invokes a method of a late-bound object with the given arguments.
inline Variant Call(Object& object, std::string_view member, std::vector<Variant> args = {}) {
  return Invoke(object, member, InvokeKind::kMethod, args);
}

}  // namespace orvalis::testing
