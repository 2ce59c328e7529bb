// orvalis apuracao FILE IE MM/YYYY [--json]: the apuração of a stored declaration.
// orvalis demo [FOLDER]: a new declaration file with a realistic declaration, entered
// through the component's classes as a front-end would, and its apuração.
#include <filesystem>
#include <iostream>
#include <random>

#include "apuracao_report.h"
#include "commands.h"
#include "late_bound.h"
#include "orvalis/error.h"
#include "orvalis/mantem_db.h"
#include "orvalis/settings.h"

namespace orvalis::cli {

namespace {

// Opens the file in the shared workspace; false (with a message) when it is refused.
bool OpenDeclarationFile(Object& mantem, const std::string& path) {
  if (ToInteger(Call(mantem, "Db_Open", {Variant(path)})) == -1) {
    std::cerr << "orvalis: " << path << " was refused (its format version is not supported)\n";
    ExitStatus() = 1;
    return false;
  }
  return true;
}

void Apuracao(const std::string& path, const std::string& ie, const std::string& month,
              const std::string& cutover, bool json) {
  if (!IsReferenceMonth(month)) {
    std::cerr << "orvalis: the month must be written MM/YYYY\n";
    ExitStatus() = 2;
    return;
  }
  std::shared_ptr<Object> mantem = CreateObject("Orvalis.MantemDB");
  if (!OpenDeclarationFile(*mantem, path)) return;
  std::shared_ptr<Object> header = CreateObject("Orvalis.Referencia");
  Call(*header, "DBIndex", {Variant(path)});
  Call(*header, "Fetch", {Variant(ie), Variant("01/" + month)});
  Variant number = GetProperty(*header, "NroVEK");
  if (ToLong(number) == 0) {
    std::cerr << "orvalis: " << path << " holds no declaration of " << ie << " for " << month
              << "\n";
    ExitStatus() = 1;
  } else {
    PrintApuracao({path, number, month, CutoverOr(cutover, month)}, json, std::cout);
  }
  Call(*mantem, "Db_close", {Variant(path)});
}

// ---- the demonstration declaration --------------------------------------------------------

constexpr const char* kIE = "110042490114";
constexpr const char* kMonth = "11/2026";

void EnterTaxpayer(const std::string& path) {
  std::shared_ptr<Object> taxpayer = CreateObject("Orvalis.Contribuinte");
  Call(*taxpayer, "DBIndex", {Variant(path)});
  Assign(*taxpayer, {{"IE", Variant(kIE)},
                     {"RS", Variant("Comércio de Exemplo Ltda.")},
                     {"CNPJ", Variant("12.345.678/0001-95")},
                     {"CNAE", Variant("4711-3/02")},
                     {"Localização", Variant("Rua Augusta")},
                     {"Número", Variant("1500")},
                     {"Bairro", Variant("Consolação")},
                     {"CEP", Variant("01304-001")},
                     {"Município", Variant("São Paulo")},
                     {"UF", Variant("SP")},
                     {"DataCadastro", Variant(Date::FromYmd(2026, 1, 5))}});
  Call(*taxpayer, "Create");
}

// Enters the declaration header and returns its engine-assigned number.
Variant EnterDeclaration(const std::string& path) {
  std::shared_ptr<Object> header = CreateObject("Orvalis.Referencia");
  Call(*header, "DBIndex", {Variant(path)});
  Assign(*header, {{"IE", Variant(kIE)},
                   {"RegTrib", Variant("RP")},
                   {"Ref1", Variant(Date::FromYmd(2026, 11, 1))},
                   {"Movimento", Variant(true)},
                   {"SaldoCredAntDig", Variant("1.250,00")},
                   {"SaldoCredAntDigST", Variant("0")},
                   {"Transmitida", Variant("N")}});
  Call(*header, "Create");
  return GetProperty(*header, "NroVEK");
}

void EnterCfops(const std::string& path, const Variant& number) {
  struct Row {
    const char* cfop;
    const char* value;
    const char* base;
    const char* tax;
    const char* st;
  };
  constexpr Row kRows[] = {
      {"1102", "50.000,00", "50.000,00", "9.000,00", "0"},   // purchases in the state
      {"2102", "20.000,00", "20.000,00", "2.400,00", "0"},   // from other states
      {"1403", "8.000,00", "0", "0", "640,00"},              // purchases under ST
      {"5102", "80.000,00", "80.000,00", "14.400,00", "0"},  // sales in the state
      {"6102", "30.000,00", "30.000,00", "3.600,00", "0"},   // to other states
      {"5405", "10.000,00", "0", "0", "900,00"},             // sales under ST
  };
  std::shared_ptr<Object> detail = CreateObject("Orvalis.CFOP");
  Call(*detail, "DBIndex", {Variant(path)});
  for (const Row& row : kRows) {
    Call(*detail, "Clear");
    Assign(*detail, {{"NroVEK", number},
                     {"CFOP", Variant(row.cfop)},
                     {"ValorContábil", Variant(row.value)},
                     {"BaseCálculo", Variant(row.base)},
                     {"Imposto", Variant(row.tax)},
                     {"ImpostoRetidoST", Variant(row.st)},
                     {"ImpRetSubstitutoST", Variant(row.st)}});
    Call(*detail, "Create");
  }
}

void EnterOccurrences(const std::string& path, const Variant& number) {
  struct Row {
    const char* subitem;
    const char* value;
    bool own;
    const char* text;
  };
  constexpr Row kRows[] = {
      {"002.99", "350,00", true, "Diferencial de alíquota de bens de uso e consumo"},
      {"007.10", "120,00", true, "Crédito de ativo imobilizado"},
      {"008.01", "80,00", true, "Estorno de débito por devolução"},
      {"014.01", "200,00", true, "Dedução de doação a programa cultural"},
      {"002.02", "45,00", false, "Complemento de imposto retido"},
      {"007.02", "30,00", false, "Ressarcimento de imposto retido"},
  };
  std::shared_ptr<Object> occurrence = CreateObject("Orvalis.Ocorrência");
  Call(*occurrence, "DBIndex", {Variant(path)});
  for (const Row& row : kRows) {
    Call(*occurrence, "Clear");
    Assign(*occurrence, {{"NroVEK", number},
                         {"CódSubItem", Variant(row.subitem)},
                         {"Valor", Variant(row.value)},
                         {"opPróprias", Variant(row.own)},
                         {"FLegal", Variant("RICMS/SP")},
                         {"Ocorrência", Variant(row.text)}});
    Call(*occurrence, "Create");
  }
}

void EnterPayments(const std::string& path, const Variant& number) {
  struct Row {
    const char* date;
    const char* value;
    bool own;
  };
  constexpr Row kRows[] = {{"10/12/2026", "3.000,00", true},
                           {"20/12/2026", "2.300,00", true},
                           {"09/12/2026", "225,00", false}};
  std::shared_ptr<Object> payment = CreateObject("Orvalis.Pagamento");
  Call(*payment, "DBIndex", {Variant(path)});
  for (const Row& row : kRows) {
    Call(*payment, "Clear");
    Assign(*payment, {{"NroVEK", number},
                      {"opPróprias", Variant(row.own)},
                      {"Data", Variant(row.date)},
                      {"Valor", Variant(row.value)}});
    Call(*payment, "Create");
  }
}

std::string NewDemoFolder() {
  std::random_device random;
  auto folder =
      std::filesystem::temp_directory_path() / ("orvalis-demo-" + std::to_string(random()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

void Demo(std::string folder, bool json) {
  if (folder.empty()) folder = NewDemoFolder();
  std::filesystem::create_directories(folder);
  const std::string path = (std::filesystem::path(folder) / "declaracao-demo.mdb").string();
  std::shared_ptr<Object> mantem = CreateObject("Orvalis.MantemDB");
  Call(*mantem, "NovoArquivo");
  std::filesystem::copy_file(NewFilePath(), path,
                             std::filesystem::copy_options::overwrite_existing);
  if (!OpenDeclarationFile(*mantem, path)) return;
  EnterTaxpayer(path);
  Variant number = EnterDeclaration(path);
  EnterCfops(path, number);
  EnterOccurrences(path, number);
  EnterPayments(path, number);
  if (!json) {
    std::cout << "Declaration file: " << path << "\nTaxpayer " << kIE << ", " << kMonth
              << ", declaration " << ToText(number) << "\n\n";
  }
  PrintApuracao({path, number, kMonth, kMonth}, json, std::cout);
  Call(*mantem, "Db_close", {Variant(path)});
}

}  // namespace

void AddApuracaoCommands(CLI::App& app) {
  struct Options {
    std::string path, ie, month, cutover, folder;
    bool json = false;
  };
  static Options options;
  CLI::App* apuracao = app.add_subcommand(
      "apuracao",
      "Print the apuração of a stored declaration: fields 051 to 064 of own operations (064 "
      "in its RPA and RES forms; there is no 065 or 066), 051 to 066 of tax substitution, and "
      "the payment totals and counts. With --json each field gives its text as the component "
      "returns it (valor) and its value as a decimal number (numero).");
  apuracao->add_option("FILE", options.path, "The declaration file")
      ->required()
      ->check(CLI::ExistingFile);
  apuracao->add_option("IE", options.ie, "The taxpayer's state registration")->required();
  apuracao->add_option("MONTH", options.month, "The reference month, MM/YYYY")->required();
  apuracao->add_option("--data-limite", options.cutover,
                       "Cut-over month MM/YYYY for the tax-substitution columns (default: the "
                       "front-end's setting, else the reference month)");
  apuracao->add_flag("--json", options.json, "Print JSON");
  apuracao->callback(
      [] { Apuracao(options.path, options.ie, options.month, options.cutover, options.json); });

  CLI::App* demo = app.add_subcommand(
      "demo", "Build a declaration file with a realistic declaration and print its apuração");
  demo->add_option("FOLDER", options.folder, "Where to write it (default: a new temporary folder)");
  demo->add_flag("--json", options.json, "Print the apuração as JSON");
  demo->callback([] { Demo(options.folder, options.json); });
}

}  // namespace orvalis::cli
