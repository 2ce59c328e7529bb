#include "lote.h"

#include "database/declaration_schema.h"
#include "database/format_upgrade.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "database/module_state.h"
#include "orvalis/settings.h"
#include "component/text_fold.h"

namespace orvalis::cli {

namespace {

// The file the calling thread works on: the current file its ICMS computations bind to.
thread_local std::string this_thread_file;

// The settings of a run: the thread's own file as "DB"/"DbAtual", and the same reference
// and cut-over months for every thread.
class LoteSettings final : public SettingsStore {
 public:
  LoteSettings(const std::string& month, const std::string& cutover) {
    values_.Set("Brisquel", "pRef", "RefAtual", month);
    values_.Set("Brisquel", "Data", "DataLimite", cutover);
  }

  std::string Get(std::string_view app, std::string_view section,
                  std::string_view key) const override {
    if (FoldCase(app) == "brisquel" && FoldCase(section) == "db" && FoldCase(key) == "dbatual") {
      return this_thread_file;
    }
    return values_.Get(app, section, key);
  }

  void Set(std::string_view app, std::string_view section, std::string_view key,
           std::string_view value) override {
    values_.Set(app, section, key, value);
  }

 private:
  MemorySettingsStore values_;
};

// Installs the run's settings, and the default store again at the end.
class SettingsForRun {
 public:
  SettingsForRun(const std::string& month, const std::string& cutover) {
    InstallSettingsStore(std::make_shared<LoteSettings>(month, cutover));
  }
  ~SettingsForRun() { InstallSettingsStore(nullptr); }
  SettingsForRun(const SettingsForRun&) = delete;
  SettingsForRun& operator=(const SettingsForRun&) = delete;
};

// "Ref1 >= #01/11/2026# And Ref1 < #01/12/2026#" for the month "11/2026": any day of it.
std::string MonthCondition(const std::string& month) {
  const int number = std::stoi(month.substr(0, 2));
  const int year = std::stoi(month.substr(3, 4));
  char next[16];
  std::snprintf(next, sizeof next, "01/%02d/%04d", number % 12 + 1, number == 12 ? year + 1 : year);
  return "Ref1 >= #01/" + month + "# And Ref1 < #" + next + "#";
}

const std::optional<Error>& FirstError(const std::vector<ApuracaoField>& fields) {
  static const std::optional<Error> kNone;
  for (const ApuracaoField& field : fields) {
    if (field.error) return field.error;
  }
  return kNone;
}

// The declarations of the month in an open file, as (IE, NroVEK).
std::vector<std::pair<Variant, Variant>> DeclarationsOf(Database& db, const std::string& month) {
  std::vector<std::pair<Variant, Variant>> found;
  auto rs = db.OpenRecordset("SELECT NroVEK, IE FROM tblVEK WHERE " + MonthCondition(month) +
                             " ORDER BY IE, NroVEK");
  for (; !rs->IsEof(); rs->MoveNext())
    found.emplace_back(rs->GetValue("IE"), rs->GetValue("NroVEK"));
  rs->Close();
  return found;
}

// Opens the file read-only in the thread's shared workspace and closes it at the end. A
// batch writes nothing, so a file of another format version is not upgraded but refused
// with 3343: its layout may not be the one the apuração reads.
class OpenFile {
 public:
  explicit OpenFile(const std::string& path)
      : db_(FindOrCreateSharedWorkspace()->OpenDatabase(path, false, true, kDatabasePassword)) {
    const std::string version = database::StoredVersionOf(*db_);
    if (version != database::kCurrentVersion) {
      db_->Close();
      throw Error(static_cast<int32_t>(ErrorCode::kUnrecognizedFormat),
                  ErrorText(ErrorCode::kUnrecognizedFormat, path) + " Its version is " + version +
                      ", not " + std::string(database::kCurrentVersion) +
                      ": opening it in the front-end (Db_Open) checks and upgrades it.");
    }
  }
  ~OpenFile() { db_->Close(); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  Database& db() { return *db_; }

 private:
  std::shared_ptr<Database> db_;
};

LoteFile ComputeFile(const std::string& path, const std::string& month) {
  this_thread_file = path;
  LoteFile rows;
  try {
    OpenFile file(path);
    Apuracao apuracao;
    for (const auto& [ie, number] : DeclarationsOf(file.db(), month)) {
      apuracao.LetNroVEK(number);
      apuracao.Calcula();
      std::vector<ApuracaoField> fields(apuracao.Campos().begin(), apuracao.Campos().end());
      const std::optional<Error> error = FirstError(fields);
      rows.push_back({path, ie, number, std::move(fields), error});
    }
  } catch (const Error& error) {
    rows = {LoteRow{path, {}, {}, {}, error}};
  } catch (const std::exception& unexpected) {
    rows = {LoteRow{path, {}, {}, {}, MakeError(ErrorCode::kEngineFailure, unexpected.what())}};
  }
  return rows;
}

}  // namespace

std::vector<std::string> ListDeclarationFiles(const std::vector<std::string>& paths) {
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
      files.push_back(path);
      continue;
    }
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
      if (entry.is_regular_file(ec) && FoldCase(entry.path().extension().string()) == ".mdb") {
        found.push_back(entry.path().string());
      }
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

std::vector<LoteFile> RunLote(const LoteRequest& request,
                              const std::function<void(size_t done, size_t total)>& progress) {
  const size_t total = request.files.size();
  std::vector<LoteFile> results(total);
  SettingsForRun settings(request.month, request.cutover);
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable changed;
  size_t done = 0;
  auto work = [&] {
    for (size_t i; (i = next++) < total;) {
      results[i] = ComputeFile(request.files[i], request.month);
      {
        std::lock_guard lock(mutex);
        ++done;
      }
      changed.notify_one();
    }
  };
  std::vector<std::jthread> workers;
  const size_t count = std::clamp<size_t>(request.threads, 1, std::max<size_t>(total, 1));
  for (size_t i = 0; i < count; ++i) workers.emplace_back(work);

  std::unique_lock lock(mutex);
  for (auto shown = std::chrono::steady_clock::time_point(); done < total;) {
    if (std::chrono::steady_clock::now() - shown >= std::chrono::milliseconds(100)) {
      const size_t now_done = done;
      lock.unlock();
      progress(now_done, total);
      shown = std::chrono::steady_clock::now();
      lock.lock();
    }
    changed.wait_for(lock, std::chrono::milliseconds(100));
  }
  lock.unlock();
  workers.clear();  // joins
  progress(total, total);
  return results;
}

}  // namespace orvalis::cli
