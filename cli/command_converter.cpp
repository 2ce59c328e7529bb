// orvalis converter FILE: converts a file of the old engine (Jet 3.0 or 4.0) in place into
// a declaration file, keeping the original beside it, and prints the tables and rows
// converted. A progress bar is drawn on a terminal for large files.
#include <unistd.h>

#include <filesystem>
#include <iomanip>
#include <iostream>

#include "commands.h"
#include "database/jet_file_conversion.h"

namespace orvalis::cli {

namespace {

constexpr std::uintmax_t kLargeFile = 1 << 20;
constexpr int kBarWidth = 40;

// Draws "[#####.....]  45%  1.234 of 2.742 rows" over itself on standard error.
void DrawProgress(int64_t done, int64_t total) {
  const int64_t percent = total > 0 ? done * 100 / total : 100;
  const int filled = static_cast<int>(percent * kBarWidth / 100);
  std::cerr << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] "
            << std::setw(3) << percent << "%  " << done << " of " << total << " rows" << std::flush;
}

void Convert(const std::string& path) {
  std::error_code ec;
  const bool large = std::filesystem::file_size(path, ec) >= kLargeFile;
  const bool bar = large && ::isatty(STDERR_FILENO) != 0;
  const database::JetConversionReport report =
      database::ConvertJetFileInPlace(path, bar ? database::JetProgress(DrawProgress) : nullptr);
  if (bar) std::cerr << "\r" << std::string(kBarWidth + 40, ' ') << "\r";
  std::cout << "Converted: " << path << "\nOriginal kept as: " << report.original << "\n";
  if (report.declaration) std::cout << "Declaration file: relations rebuilt, version 0800\n";
  std::cout << "\nTables:\n";
  int64_t rows = 0;
  for (const auto& table : report.tables) {
    std::cout << "  " << std::left << std::setw(36) << table.name << std::right << std::setw(10)
              << table.rows << "\n";
    rows += table.rows;
  }
  std::cout << "\n" << report.tables.size() << " tables, " << rows << " rows\n";
}

}  // namespace

void AddConverterCommand(CLI::App& app) {
  static std::string path;
  CLI::App* converter = app.add_subcommand(
      "converter", "Convert a file of the old engine (Jet 3.0/4.0) into a declaration file");
  converter
      ->add_option("FILE", path,
                   "The file, converted in place; the original is kept as "
                   "FILE.jet")
      ->required()
      ->check(CLI::ExistingFile);
  converter->callback([] { Convert(path); });
}

}  // namespace orvalis::cli
