// A front-end built against an installed Orvalis: it makes a declaration file, enters a
// taxpayer, a declaration and one CFOP row, and prints field 051 of the apuração.
#include <orvalis/orvalis.h>

#include <filesystem>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string path = argv[1];
  try {
    orvalis::MantemDB files;
    files.NovoArquivo();
    std::filesystem::copy_file(orvalis::NewFilePath(), path);
    files.Db_Open(path);

    orvalis::Contribuinte taxpayer;
    taxpayer.DBIndex(path);
    taxpayer.Set(orvalis::Contribuinte::kIE, orvalis::Variant("110042490114"));
    taxpayer.Create();
    orvalis::Referencia header;
    header.DBIndex(path);
    header.Set(orvalis::Referencia::kIE, orvalis::Variant("110042490114"));
    header.Set(orvalis::Referencia::kRef1, orvalis::Variant(orvalis::Date::FromYmd(2026, 11, 1)));
    header.Create();
    orvalis::CFOP row;
    row.DBIndex(path);
    row.Set(orvalis::CFOP::kNroVEK, header.Get(orvalis::Referencia::kNroVEK));
    row.Set(orvalis::CFOP::kCFOP, orvalis::Variant("5102"));
    row.Set(orvalis::CFOP::kImposto, orvalis::Variant("1.234,56"));
    row.Create();

    auto settings = std::make_shared<orvalis::MemorySettingsStore>();
    settings->Set("Brisquel", "DB", "DbAtual", path);
    orvalis::InstallSettingsStore(settings);
    orvalis::ICMS icms;
    icms.LetNroVEK(header.Get(orvalis::Referencia::kNroVEK));
    std::cout << "051: " << orvalis::ToText(icms.Campo051ICMS()) << "\n";
    files.Db_close(path);
  } catch (const orvalis::Error& e) {
    std::cerr << "error " << e.number() << ": " << e.description() << "\n";
    return 1;
  }
  return 0;
}
