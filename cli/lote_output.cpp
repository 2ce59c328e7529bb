#include "lote_output.h"

#include <ostream>
#include <string>

#include "value_text.h"

namespace orvalis::cli {

namespace {

// The names of the field columns, in interface order.
std::vector<std::string> FieldNames() {
  std::vector<std::string> names;
  const Apuracao apuracao;
  for (const ApuracaoField& field : apuracao.Campos()) names.emplace_back(field.name);
  return names;
}

// A field's value, or nothing when it failed (the row's error says why).
Variant ShownValue(const ApuracaoField& field) { return field.error ? Variant() : field.value; }

void WriteDelimited(const std::vector<LoteFile>& files, bool csv, std::ostream& out) {
  const char separator = csv ? ',' : '\t';
  auto cell = [&](const std::string& text) { return csv ? CsvField(text) : text; };
  const std::vector<std::string> names = FieldNames();
  out << "arquivo" << separator << "IE" << separator << "NroVEK";
  for (const std::string& name : names) out << separator << name;
  out << separator << "erro" << separator << "descricao_erro\n";
  for (const LoteFile& file : files) {
    for (const LoteRow& row : file) {
      out << cell(row.file) << separator << cell(ValueText(row.ie)) << separator
          << ValueText(row.number);
      if (row.fields.empty()) {
        for (size_t i = 0; i < names.size(); ++i) out << separator;
      }
      for (const ApuracaoField& field : row.fields) {
        out << separator << cell(ValueText(ShownValue(field)));
      }
      out << separator << (row.error ? std::to_string(row.error->number()) : "") << separator
          << cell(row.error ? row.error->description() : "") << "\n";
    }
  }
}

void WriteJson(const std::vector<LoteFile>& files, std::ostream& out) {
  out << "[";
  const char* between = "\n";
  for (const LoteFile& file : files) {
    for (const LoteRow& row : file) {
      out << between << "  {\"arquivo\": " << JsonText(row.file)
          << ", \"IE\": " << JsonValue(row.ie) << ", \"NroVEK\": " << JsonValue(row.number)
          << ",\n   \"campos\": {";
      const char* comma = "";
      for (const ApuracaoField& field : row.fields) {
        out << comma << JsonText(field.name) << ": " << JsonValue(ShownValue(field));
        comma = ", ";
      }
      out << "},\n   \"erro\": ";
      if (row.error) {
        out << "{\"numero\": " << row.error->number()
            << ", \"descricao\": " << JsonText(row.error->description()) << "}";
      } else {
        out << "null";
      }
      out << "}";
      between = ",\n";
    }
  }
  out << "\n]\n";
}

}  // namespace

void WriteLote(const std::vector<LoteFile>& files, LoteFormat format, std::ostream& out) {
  if (format == LoteFormat::kJson) {
    WriteJson(files, out);
  } else {
    WriteDelimited(files, format == LoteFormat::kCsv, out);
  }
}

}  // namespace orvalis::cli
