// The manual page of the command, written from its parser: every verb with its
// description, arguments and options, so the page says what --help says.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace orvalis::cli {

// The page in troff (man) form, section 1.
std::string ManPage(const CLI::App& app);

// What the exit status means, for --help and the page.
inline constexpr const char* kExitStatus =
    "Exit status: 0 success; 1 the work failed (a file refused, damaged, of another format "
    "version, locked, or a declaration missing; the error's number and text on standard "
    "error, or in its row for lote); 2 the command line is wrong (a month not written "
    "MM/YYYY, an unknown option).\n";

}  // namespace orvalis::cli
