// The apuração of many declaration files at once: for every declaration of one reference
// month in every file (any taxpayer), all its fields and totals, on several threads.
//
// Each worker thread has the component's per-thread state of its own (engine, shared
// workspace, declaration number), opens one file at a time read-only in its workspace,
// computes each declaration with one Apuracao pass and closes the file: nothing is ever
// written to a file. The settings the computation reads come from a store installed for
// the run: the file the calling thread works on as the current file, the reference month
// and the cut-over month. A file that cannot be read (missing, damaged: 3049, of the old
// engine: 3343, held exclusively elsewhere: 3045, ...) gives one row with its error; the
// other files go on.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "orvalis/apuracao.h"
#include "orvalis/error.h"
#include "orvalis/variant.h"

namespace orvalis::cli {

struct LoteRequest {
  std::string month;    // MM/YYYY
  std::string cutover;  // MM/YYYY: chooses the tax-substitution column (RefData)
  std::vector<std::string> files;
  unsigned threads = 1;
};

// One declaration of a file, or the failure of the whole file.
struct LoteRow {
  std::string file;
  Variant ie;                         // Empty when the file failed
  Variant number;                     // NroVEK; Empty when the file failed
  std::vector<ApuracaoField> fields;  // none when the file failed
  std::optional<Error> error;         // the file's error, else the first field's
};

// The rows of one file, by IE and NroVEK; none when it holds no declaration of the month.
using LoteFile = std::vector<LoteRow>;

// The files that `paths` name: a folder stands for its files whose names end in ".mdb"
// (any letter case; not its subfolders), sorted; any other path is taken as a file.
std::vector<std::string> ListDeclarationFiles(const std::vector<std::string>& paths);

// Computes every file of the request, in parallel on `threads` threads (at least one),
// and returns their rows in the order of `request.files`. While it runs, `progress`
// receives, on the calling thread, the number of files done and their total, now and
// then and once at the end.
std::vector<LoteFile> RunLote(const LoteRequest& request,
                              const std::function<void(size_t done, size_t total)>& progress);

}  // namespace orvalis::cli
