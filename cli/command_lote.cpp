// orvalis lote MM/YYYY FILE_OR_FOLDER... [--threads N] [--json|--csv]: the apuração of
// every declaration of the month in every file, one row per file and declaration, in
// parallel (lote.h); a progress bar on a terminal; exit status 1 when any file or field
// failed.
#include <iostream>
#include <thread>

#include "apuracao_report.h"
#include "commands.h"
#include "lote.h"
#include "lote_output.h"
#include "progress_bar.h"

namespace orvalis::cli {

namespace {

struct LoteOptions {
  std::string month, cutover;
  std::vector<std::string> paths;
  unsigned threads = 0;  // 0: one per core
  bool json = false;
  bool csv = false;
};

void Lote(const LoteOptions& options) {
  if (!IsReferenceMonth(options.month)) {
    std::cerr << "orvalis: the month must be written MM/YYYY\n";
    ExitStatus() = 2;
    return;
  }
  LoteRequest request{options.month, CutoverOr(options.cutover, options.month),
                      ListDeclarationFiles(options.paths), options.threads};
  if (request.files.empty()) {
    std::cerr << "orvalis: no declaration file (*.mdb) found\n";
    ExitStatus() = 1;
    return;
  }
  if (request.threads == 0) request.threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<LoteFile> files;
  {
    ProgressBar bar("arquivos");
    files = RunLote(request, [&](size_t done, size_t total) { bar.Show(done, total); });
  }
  WriteLote(files,
            options.json  ? LoteFormat::kJson
            : options.csv ? LoteFormat::kCsv
                          : LoteFormat::kText,
            std::cout);
  size_t declarations = 0, failed = 0;
  for (const LoteFile& file : files) {
    for (const LoteRow& row : file) {
      declarations += row.number.IsEmpty() ? 0 : 1;
      failed += row.error ? 1 : 0;
    }
  }
  std::cerr << "orvalis: " << files.size() << " files, " << declarations << " declarations of "
            << options.month << ", " << failed << " failed\n";
  ExitStatus() = failed == 0 ? 0 : 1;
}

}  // namespace

void AddLoteCommand(CLI::App& app) {
  static LoteOptions options;
  CLI::App* lote = app.add_subcommand(
      "lote", "The apuração of every declaration of a month in many files, in parallel");
  lote->add_option("MONTH", options.month, "The reference month, MM/YYYY")->required();
  lote->add_option("FILE_OR_FOLDER", options.paths,
                   "Declaration files, or folders whose *.mdb files are taken")
      ->required();
  lote->add_option("--threads", options.threads, "Worker threads (default: one per core)")
      ->check(CLI::Range(1u, 1024u));
  lote->add_option("--data-limite", options.cutover,
                   "Cut-over month MM/YYYY for the tax-substitution columns (default: the "
                   "front-end's setting, else the reference month)");
  CLI::Option* json = lote->add_flag("--json", options.json, "Write a JSON array");
  lote->add_flag("--csv", options.csv, "Write CSV")->excludes(json);
  lote->callback([] { Lote(options); });
}

}  // namespace orvalis::cli
