// The verbs of the command `orvalis`. Each Add... function declares its verb on the
// command line parser; the verb runs when the parser has chosen it and sets the exit
// status: 0 on success, 1 when the work failed (a message on standard error).
#pragma once

#include <CLI/CLI.hpp>

namespace orvalis::cli {

// The exit status the chosen verb set.
int& ExitStatus();

void AddFileCommands(CLI::App& app);      // novo, info
void AddApuracaoCommands(CLI::App& app);  // apuracao, demo
void AddConverterCommand(CLI::App& app);  // converter
void AddLoteCommand(CLI::App& app);       // lote

}  // namespace orvalis::cli
