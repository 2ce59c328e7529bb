// orvalis: the command-line face of the component, for newcomers and scripts.
#include <iostream>

#include "commands.h"
#include "orvalis/error.h"

namespace orvalis::cli {

int& ExitStatus() {
  static int status = 0;
  return status;
}

}  // namespace orvalis::cli

int main(int argc, char** argv) {
  CLI::App app{"Orvalis: ICMS declaration files on Linux"};
  app.set_version_flag("--version", std::string("orvalis ") + ORVALIS_VERSION);
  app.require_subcommand(1);
  orvalis::cli::AddFileCommands(app);
  orvalis::cli::AddApuracaoCommands(app);
  orvalis::cli::AddConverterCommand(app);
  orvalis::cli::AddLoteCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const orvalis::Error& e) {
    std::cerr << "orvalis: error " << e.number() << ": " << e.description() << "\n";
    return 1;
  }
  return orvalis::cli::ExitStatus();
}
