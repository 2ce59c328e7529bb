#include "man_page.h"

#include <sstream>

namespace orvalis::cli {

namespace {

// Text for troff: a leading '.' or '\'' would start a request, '\' an escape.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

void Options(const CLI::App& command, std::ostream& page) {
  for (const CLI::Option* option : command.get_options()) {
    if (option->get_name() == "--help") continue;
    page << ".TP\n.B " << Roff(option->get_name(false, true)) << "\n"
         << Roff(option->get_description()) << "\n";
  }
}

}  // namespace

std::string ManPage(const CLI::App& app) {
  std::ostringstream page;
  page << ".TH ORVALIS 1\n.SH NAME\norvalis \\- " << Roff(app.get_description())
       << "\n.SH SYNOPSIS\n.B orvalis\n.I verb\n[\\fIarguments\\fR] [\\fIoptions\\fR]\n"
       << ".SH VERBS\n";
  for (const CLI::App* verb : app.get_subcommands([](const CLI::App*) { return true; })) {
    page << ".SS " << Roff(verb->get_name()) << "\n" << Roff(verb->get_description()) << "\n";
    Options(*verb, page);
  }
  page << ".SH OPTIONS\n";
  Options(app, page);
  page << ".SH ENVIRONMENT\n.TP\n.B ORVALIS_HOME\n"
       << "The component folder (tblFixas.fix, BDTemp.mdb, CompactoTemp.mdb); by default the "
          "folder of the library.\n.TP\n.B XDG_CONFIG_HOME\n"
       << "Where the settings file Brisquel/settings.ini is read from (default ~/.config).\n"
       << ".SH EXIT STATUS\n"
       << Roff(kExitStatus) << "\n";
  return page.str();
}

}  // namespace orvalis::cli
