// Fuzz target: the engine's opening of a declaration file from any bytes, then reading
// it. Every input either opens and reads, or raises orvalis::Error; nothing else may
// happen, and a file that is refused is left as it was.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "orvalis/dbengine.h"
#include "orvalis/error.h"

namespace {

// One file per process, rewritten for every input.
const std::string& FilePath() {
  static const std::string path = [] {
    std::string folder = (std::filesystem::temp_directory_path() / "orvalis-fuzz-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) std::abort();
    return folder + "/input.mdb";
  }();
  return path;
}

void ReadEverything(orvalis::Database& db) {
  for (const auto& table : db.TableDefs()) {
    auto rows = db.OpenRecordset("SELECT * FROM [" + table->Name() + "]");
    for (int n = 0; !rows->IsEof() && n < 64; ++n) {
      for (const auto& column : rows->Columns()) rows->GetValue(column.name);
      rows->MoveNext();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = FilePath();
  std::filesystem::remove(path + "-wal");
  std::filesystem::remove(path + "-shm");
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  auto workspace = orvalis::Engine().CreateWorkspace("", "admin", "");
  try {
    auto db = workspace->OpenDatabase(path, false, true, ";pwd=lorintaq5");
    ReadEverything(*db);
  } catch (const orvalis::Error&) {
  }
  workspace->Close();
  return 0;
}
