// orvalis: the command-line face of the component, for newcomers and scripts.
#include <iostream>

#include "commands.h"
#include "man_page.h"
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
  app.footer(orvalis::cli::kExitStatus);
  app.add_flag_callback(
      "--man",
      [&app] {
        std::cout << orvalis::cli::ManPage(app);
        throw CLI::Success();
      },
      "Print the manual page (troff) and exit");
  app.require_subcommand(1);
  orvalis::cli::AddFileCommands(app);
  orvalis::cli::AddApuracaoCommands(app);
  orvalis::cli::AddConverterCommand(app);
  orvalis::cli::AddLoteCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help, --version and --man end with 0; a wrong command line with 2.
    return app.exit(e) == 0 ? 0 : 2;
  } catch (const orvalis::Error& e) {
    std::cerr << "orvalis: error " << e.number() << ": " << e.description() << "\n";
    return 1;
  }
  return orvalis::cli::ExitStatus();
}
