// The fixture of the record and collection tests: a fresh declaration file opened in the
// shared workspace "Brisquel" (where DBIndex finds it), rows written around the classes
// through the engine, and the errors the classes swallow, as the diagnostics hook sees
// them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/diagnostics.h"
#include "orvalis/module_state.h"
#include "orvalis/object.h"
#include "orvalis/records/record_base.h"
#include "orvalis/sql_text.h"
#include "support/test_support.h"

namespace orvalis {

// Readable failure messages: the kind and the text of a value.
inline void PrintTo(const Variant& value, std::ostream* out) {
  *out << KindName(value.kind());
  if (!value.IsNull() && !value.IsObject() && !value.IsMissing()) *out << " " << ToText(value);
}

}  // namespace orvalis

namespace orvalis::testing {

inline constexpr const char* kIE = "110042490114";

// The operation and error number of each report the diagnostics hook received.
class SwallowedErrors {
 public:
  SwallowedErrors() {
    InstallDiagnosticsHook([reports = reports_](std::string_view operation, const Error& error) {
      reports->emplace_back(std::string(operation), error.number());
    });
  }
  ~SwallowedErrors() { InstallDiagnosticsHook(nullptr); }
  SwallowedErrors(const SwallowedErrors&) = delete;
  SwallowedErrors& operator=(const SwallowedErrors&) = delete;

  const std::vector<std::pair<std::string, int32_t>>& reports() const { return *reports_; }
  bool Has(std::string_view operation, int32_t number) const {
    for (const auto& [reported, code] : *reports_) {
      if (reported == operation && code == number) return true;
    }
    return false;
  }

 private:
  std::shared_ptr<std::vector<std::pair<std::string, int32_t>>> reports_ =
      std::make_shared<std::vector<std::pair<std::string, int32_t>>>();
};

class RecordsTest : public ::testing::Test {
 protected:
  RecordsTest() : path_(dir_.File("declaracao.mdb")) {
    NewDeclarationFile(*NewWorkspace(), path_)->Close();
    db_ = FindOrCreateSharedWorkspace()->OpenDatabase(path_, false, false, kDatabasePassword);
  }
  ~RecordsTest() override { CloseSharedWorkspace(); }

  // A new object of class T bound to the fixture's file.
  template <typename T>
  std::shared_ptr<T> Bound() {
    auto object = std::make_shared<T>();
    object->DBIndex(path_);
    return object;
  }

  void AddTaxpayer(const std::string& ie, const Variant& uf = Variant("SP")) {
    auto rs = db_->OpenRecordset("tblContribuinte");
    rs->AddNew();
    rs->SetValue("IE", Variant(ie));
    rs->SetValue("UF", uf);
    rs->Update();
  }

  // A declaration of `ie` (a taxpayer added first if needed); its engine-given number.
  int32_t AddDeclaration(const std::string& ie = kIE, Date ref1 = Date::FromYmd(2005, 3, 1)) {
    if (Rows("tblContribuinte WHERE IE = '" + DoubleQuotes(ie) + "'") == 0) AddTaxpayer(ie);
    auto rs = db_->OpenRecordset("Select * from tblVEK");
    rs->AddNew();
    rs->SetValue("IE", Variant(ie));
    rs->SetValue("Ref1", Variant(ref1));
    rs->Update();
    rs->SetBookmark(rs->LastModified());
    return ToLong(rs->GetValue("NroVEK"));
  }

  // Adds a row to `table` with the given column values.
  void AddRow(std::string_view table, std::vector<std::pair<const char*, Variant>> columns) {
    auto rs = db_->OpenRecordset(table);
    rs->AddNew();
    for (const auto& [column, value] : columns) rs->SetValue(column, value);
    rs->Update();
  }

  // The number of rows of "SELECT count(*) FROM <from_where>".
  int32_t Rows(const std::string& from_where) {
    return ToLong(db_->OpenRecordset("SELECT count(*) AS n FROM " + from_where)->GetValue("n"));
  }
  // `column` of the first row of `sql`.
  Variant Stored(const std::string& sql, std::string_view column) {
    return db_->OpenRecordset(sql)->GetValue(column);
  }

  TempDir dir_;
  std::string path_;
  std::shared_ptr<Database> db_;
  SwallowedErrors swallowed_;
};

// Every held value of a record, in the order of its Field enum.
inline std::vector<Variant> AllValues(const RecordBase& record) {
  std::vector<Variant> values;
  for (size_t field : record.layout().all()) values.push_back(record.Get(field));
  return values;
}

// Calls Update, then Delete; the number of the error either raised (0: none).
inline int32_t UpdateThenDelete(RecordBase& record) {
  return ErrorOf([&] {
    record.Update();
    record.Delete();
  });
}

// Names of the late-bound members of `object`, in slot order, separated by blanks.
inline std::string MemberNames(const Object& object) {
  std::string names;
  for (const auto& member : object.Class().members()) {
    if (!names.empty()) names += ' ';
    names += member.name;
  }
  return names;
}

// Invokes a method of a late-bound object with the given arguments.
inline Variant Call(Object& object, std::string_view member, std::vector<Variant> args = {}) {
  return Invoke(object, member, InvokeKind::kMethod, args);
}

}  // namespace orvalis::testing
