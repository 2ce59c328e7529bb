// The sample rows of old_format_files.h, read from tests/data/sample_rows.txt.
#include <algorithm>

#include "component/collection.h"
#include "support/data_cases.h"
#include "support/old_format_files.h"

namespace orvalis::testing {

void AddSampleRows(Database& db) {
  for (const DataCase& table : ReadDataCases(ORVALIS_TEST_DATA_DIR "/sample_rows.txt")) {
    if (PositionNamed(db.TableDefs(), table.title) < 0) continue;
    const std::vector<std::string> names = ParseNames(table.lines.at(0));
    for (size_t r = 1; r < table.lines.size(); ++r) {
      const std::vector<Variant> values = ParseValues(table.lines[r]);
      auto rows = db.OpenRecordset(table.title);
      const auto& columns = rows->Columns();
      auto has = [&](std::string_view name) {
        return std::any_of(columns.begin(), columns.end(),
                           [&](const RecordsetColumn& c) { return c.name == name; });
      };
      rows->AddNew();
      for (size_t i = 0; i < names.size(); ++i) {
        if (values.at(i).IsMissing()) continue;
        if (has(names[i])) {
          rows->SetValue(names[i], values[i]);
        } else if (names[i] == "NF" && has("NF2")) {
          rows->SetValue("NF2", values[i]);
        }
      }
      rows->Update();
      rows->Close();
    }
  }
}

void MakeFileOfVersion(Database& db, std::string_view version, OldLayout layout) {
  MakeOldLayout(db, layout == ~0u ? LayoutOfVersion(version) : layout);
  AddSampleRows(db);
  SetStoredVersion(db, version);
}

}  // namespace orvalis::testing
