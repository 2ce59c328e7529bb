// CorrigeConverteDB on files of the old engine (Jet 3.0 and 4.0; the samples in
// tests/data/jet come with their licence note there): every table, column type and value
// of the new file equals what a second reader, sharing no code with mdbtools, reads from
// the original; the replacement is all or nothing under injected failures and kills.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "database/jet_file_conversion.h"
#include "database/module_state.h"
#include "engine/fault_injection.h"
#include "orvalis/corrige_converte_db.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

namespace fs = std::filesystem;
using engine::FaultSite;

const std::string kSamples = ORVALIS_TEST_DATA_DIR "/jet/";
const std::string kTools = ORVALIS_TEST_DATA_DIR "/../tools/";

std::string Hex(std::string_view bytes) {
  std::string out;
  char digits[3];
  for (unsigned char byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    out += digits;
  }
  return out;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  for (std::string part; std::getline(in, part, '\t');) parts.push_back(part);
  return parts;
}

// A table as the second reader or our engine sees it: its columns ("name type size") and
// its rows as tokens (see tests/tools/dump_mdb.mjs), sorted.
struct Dump {
  std::map<std::string, std::vector<std::string>> columns;
  std::map<std::string, std::vector<std::string>> rows;

  Dump& Sorted() {
    for (auto& [table, table_rows] : rows) std::sort(table_rows.begin(), table_rows.end());
    return *this;
  }
};

std::string ColumnText(const std::string& name, FieldType type, int size, bool counter) {
  return name + " " + std::to_string(static_cast<int>(type)) + " " +
         (type == FieldType::kText ? std::to_string(size) : "") + (counter ? " counter" : "");
}

// The samples' column types by the second reader's names.
const std::map<std::string, FieldType> kTypes = {
    {"boolean", FieldType::kBoolean},   {"byte", FieldType::kByte},
    {"integer", FieldType::kInteger},   {"long", FieldType::kLong},
    {"currency", FieldType::kCurrency}, {"float", FieldType::kSingle},
    {"double", FieldType::kDouble},     {"datetime", FieldType::kDate},
    {"binary", FieldType::kBinary},     {"text", FieldType::kText},
    {"ole", FieldType::kLongBinary},    {"memo", FieldType::kMemo},
    {"repid", FieldType::kGUID},        {"numeric", FieldType::kDecimal}};

// Doubles compare by value: the second reader writes the shortest form.
std::string NormalizeReals(const std::string& row) {
  std::string out;
  for (const auto& token : Split(row)) {
    char text[40];
    if (token.starts_with("F:")) {
      std::snprintf(text, sizeof text, "F:%.17g", std::strtod(token.c_str() + 2, nullptr));
    }
    out += (out.empty() ? "" : "\t") + (token.starts_with("F:") ? std::string(text) : token);
  }
  return out;
}

// What mdb-reader reads from an original; nothing when it is not installed.
std::optional<Dump> SecondReader(const std::string& path, bool jet4) {
  if (!fs::exists(kTools + "node_modules/mdb-reader")) return std::nullopt;
  FILE* pipe = ::popen(("node " + kTools + "dump_mdb.mjs '" + path + "'").c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (::pclose(pipe) != 0) return std::nullopt;
  Dump dump;
  std::string table;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    auto parts = Split(line);
    if (parts[0] == "T") table = parts[1];
    if (parts[0] == "C") {
      const int size = std::stoi(parts[3]) / (jet4 && parts[2] == "text" ? 2 : 1);
      dump.columns[table].push_back(
          ColumnText(parts[1], kTypes.at(parts[2]), size, parts[6] == "1" && parts[2] == "long"));
    }
    if (parts[0] == "R") dump.rows[table].push_back(NormalizeReals(line.substr(2)));
  }
  return dump.Sorted();
}

// The token of one value read from our file, in the second reader's terms.
std::string Token(const Variant& value, FieldType type) {
  if (value.IsNull()) return "N";
  switch (type) {
    case FieldType::kBoolean:
      return value.boolean_value() ? "B:true" : "B:false";
    case FieldType::kByte:
    case FieldType::kInteger:
    case FieldType::kLong:
      return "I:" + std::to_string(ToLong(value));
    case FieldType::kSingle:
    case FieldType::kDouble: {
      char text[40];
      std::snprintf(text, sizeof text, "F:%.17g", value.double_value());
      return text;
    }
    case FieldType::kDate:  // milliseconds since 1970, as the second reader counts them
      return "D:" + std::to_string(std::llround((value.date_value().serial() - 25569) * 86400000));
    case FieldType::kCurrency: {
      const int64_t raw = value.currency_value().raw();
      char text[40];
      std::snprintf(text, sizeof text, "%s%lld.%04lld", raw < 0 ? "-" : "",
                    static_cast<long long>(std::llabs(raw / 10000)),
                    static_cast<long long>(std::llabs(raw % 10000)));
      return "S:" + Hex(text);
    }
    case FieldType::kBinary:
    case FieldType::kLongBinary:
      return "X:" + Hex(value.string_value());
    case FieldType::kDecimal: {
      std::string text = value.string_value();
      std::replace(text.begin(), text.end(), ',', '.');
      return "S:" + Hex(text);
    }
    default:
      return "S:" + Hex(value.string_value());
  }
}

Dump OurFile(const std::string& path) {
  auto workspace = testing::NewWorkspace();
  auto db = workspace->OpenDatabase(path, false, true, kDatabasePassword);
  Dump dump;
  for (const auto& table : db->TableDefs()) {
    std::vector<FieldType> types;
    for (const auto& field : table->Fields()) {
      types.push_back(field->Type());
      dump.columns[table->Name()].push_back(
          ColumnText(field->Name(), field->Type(), field->Size(),
                     (field->Attributes() & kAutoIncrField) != 0));
    }
    auto rows = db->OpenRecordset("SELECT * FROM [" + table->Name() + "]");
    for (; !rows->IsEof(); rows->MoveNext()) {
      std::string row;
      for (size_t c = 0; c < types.size(); ++c) {
        row += (c == 0 ? "" : "\t") + Token(rows->GetValue(static_cast<int32_t>(c)), types[c]);
      }
      dump.rows[table->Name()].push_back(row);
    }
  }
  workspace->Close();
  return dump.Sorted();
}

class JetFileConversionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine::ClearFaults();
    testing::CloseSharedWorkspace();
  }

  // A writable copy of a sample, alone in the test folder.
  std::string Copy(const std::string& sample) {
    for (const auto& name : FolderEntries()) fs::remove_all(files_.File(name));
    const std::string path = files_.File(sample);
    fs::copy_file(kSamples + sample, path);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    return path;
  }

  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(files_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::ComponentHome home_;
  testing::TempDir files_;
};

TEST_F(JetFileConversionTest, SamplesEqualWhatASecondReaderReads) {
  for (const auto& [sample, jet4] :
       {std::pair{"testV1997.mdb", false}, std::pair{"testV2000.mdb", true},
        std::pair{"fixedNumericTestV2000.mdb", true}}) {
    SCOPED_TRACE(sample);
    const std::string path = Copy(sample);
    const std::string original = testing::ReadFileBytes(path);
    ASSERT_TRUE(database::CorrigeConverteDB(path));
    EXPECT_EQ(testing::ReadFileBytes(path + ".jet"), original);
    const Dump ours = OurFile(path);
    const std::optional<Dump> theirs = SecondReader(path + ".jet", jet4);
    if (!theirs) {
      GTEST_SKIP() << "mdb-reader is not installed (npm ci --prefix tests/tools): the "
                      "conversion ran but was not compared with a second reader";
    }
    EXPECT_EQ(ours.columns, theirs->columns);
    EXPECT_EQ(ours.rows, theirs->rows);
    EXPECT_FALSE(ours.rows.empty());
  }
}

TEST_F(JetFileConversionTest, OriginalIsKeptUnderAFreeName) {
  const std::string path = Copy("testV1997.mdb");
  const std::string original = testing::ReadFileBytes(path);
  std::ofstream(path + ".jet") << "a file of the user's";
  ASSERT_TRUE(database::CorrigeConverteDB(path));
  EXPECT_EQ(testing::ReadFileBytes(path + ".jet"), "a file of the user's");
  EXPECT_EQ(testing::ReadFileBytes(path + ".1.jet"), original);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"testV1997.mdb", "testV1997.mdb.1.jet",
                                                       "testV1997.mdb.jet"}));
  // Already ours: the present behaviour (a compaction in place) applies.
  EXPECT_TRUE(database::CorrigeConverteDB(path));
  EXPECT_EQ(OurFile(path).rows.at("Table1").size(), 2u);
}

TEST_F(JetFileConversionTest, OldEngineFileIsRefusedByOpenAndByDao35Untouched) {
  const std::string path = Copy("testV2000.mdb");
  const std::string original = testing::ReadFileBytes(path);
  const std::string refusal = testing::ErrorTextOf([&] { MantemDB().Db_Open(path); });
  EXPECT_TRUE(refusal.starts_with("3343: ")) << refusal;
  EXPECT_NE(refusal.find("CorrigeConverteDB converts it"), std::string::npos) << refusal;
  EXPECT_FALSE(database::CorrigeDAO35(path));
  EXPECT_FALSE(fs::exists(home_.File("CompactoTemp.mdb")));
  EXPECT_EQ(testing::ReadFileBytes(path), original);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"testV2000.mdb"});
}

TEST_F(JetFileConversionTest, UndecodableValueStopsWithItsPlaceAndLeavesTheOriginal) {
  const std::string path = Copy("testV2000.mdb");
  std::string bytes = testing::ReadFileBytes(path);
  // Table1's date 21/09/1974 (serial 27293) made a value no date has (not a number).
  const double serial = 27293;
  const std::string date(reinterpret_cast<const char*>(&serial), 8);
  const size_t at = bytes.find(date);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 8, std::string(8, '\xFF'));
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  const std::string error = testing::ErrorTextOf([&] { database::ConvertJetFileInPlace(path); });
  EXPECT_TRUE(error.starts_with("3421: Table 'Table1', row ")) << error;
  EXPECT_NE(error.find("Column 'G': "), std::string::npos) << error;
  EXPECT_EQ(testing::ReadFileBytes(path), bytes);
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"testV2000.mdb"});
}

TEST_F(JetFileConversionTest, FailureMidwayLeavesTheOriginalAsItWas) {
  const std::string path = Copy("testV1997.mdb");
  const std::string original = testing::ReadFileBytes(path);
  const std::pair<FaultSite, int> faults[] = {
      {FaultSite::kSchemaChange, 1}, {FaultSite::kSchemaChange, 5}, {FaultSite::kStatement, 1},
      {FaultSite::kStatement, 2},    {FaultSite::kFileStep, 1},     {FaultSite::kFileStep, 2}};
  for (const auto& [site, n] : faults) {
    SCOPED_TRACE(std::string(engine::FaultSiteName(site)) + " " + std::to_string(n));
    engine::ArmFault(site, n);
    EXPECT_FALSE(database::CorrigeConverteDB(path));
    engine::ClearFaults();
    EXPECT_EQ(testing::ReadFileBytes(path), original);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"testV1997.mdb"});
  }
}

// The file at `path` after a killed conversion: the original untouched, or the whole new
// file with the original kept beside it. Never anything else.
void ExpectOriginalOrWhole(const std::string& path, const std::string& original) {
  if (testing::ReadFileBytes(path) == original) return;
  EXPECT_EQ(testing::ReadFileBytes(path + ".jet"), original);
  EXPECT_EQ(OurFile(path).rows.at("Table1").size(), 2u);
}

TEST_F(JetFileConversionTest, KilledMidwayLeavesTheOriginalOrTheWholeFile) {
  const std::string path = Copy("testV2000.mdb");
  const std::string original = testing::ReadFileBytes(path);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(database::CorrigeConverteDB(path));
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  auto convert = [&] { return database::CorrigeConverteDB(path) ? 0 : 1; };
  for (int step : {1, 2}) {
    Copy("testV2000.mdb");
    EXPECT_EQ(testing::RunCrashingAt(FaultSite::kFileStep, step, convert), 137);
    EXPECT_EQ(testing::ReadFileBytes(path), original) << "crash at file step " << step;
  }
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int64_t> moment(0, took.count() * 3 / 2);
  for (int i = 0; i < 12; ++i) {
    Copy("testV2000.mdb");
    const std::chrono::microseconds delay(moment(random));
    SCOPED_TRACE("killed after " + std::to_string(delay.count()) + " us");
    testing::RunKilledAfter(delay, convert);
    ExpectOriginalOrWhole(path, original);
  }
}

TEST_F(JetFileConversionTest, TwoConversionsAtOnceLoseNothing) {
  const std::string path = Copy("testV1997.mdb");
  const std::string original = testing::ReadFileBytes(path);
  auto convert = [&] { return database::CorrigeConverteDB(path) ? 0 : 1; };
  testing::ChildProcess first(convert), second(convert);
  first.Wait();
  second.Wait();
  EXPECT_EQ(OurFile(path).rows.at("Table1").size(), 2u);
  EXPECT_EQ(testing::ReadFileBytes(path + ".jet"), original);
  for (const auto& name : FolderEntries()) {
    EXPECT_TRUE(name.starts_with("testV1997.mdb")) << name;  // no working folder left
  }
}

}  // namespace
}  // namespace orvalis
