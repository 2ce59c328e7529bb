#include "apuracao_report.h"

#include <iomanip>
#include <ostream>
#include <span>
#include <vector>

#include "late_bound.h"
#include "orvalis/settings.h"
#include "component/utf8.h"
#include "value_text.h"

namespace orvalis::cli {

namespace {

struct Line {
  const char* number;
  const char* label;
  const char* member;
};

constexpr Line kOwnOperations[] = {
    {"051", "Débitos do imposto (saídas)", "Campo051ICMS"},
    {"052", "Outros débitos", "Campo052ICMS"},
    {"053", "Estorno de créditos", "Campo053ICMS"},
    {"055", "Total de débitos", "Campo055ICMS"},
    {"056", "Créditos do imposto (entradas)", "Campo056ICMS"},
    {"057", "Outros créditos", "Campo057ICMS"},
    {"058", "Estorno de débitos", "Campo058ICMS"},
    {"060", "Subtotal de créditos", "Campo060ICMS"},
    {"061", "Saldo credor do período anterior", "Campo061ICMS"},
    {"062", "Total de créditos", "Campo062ICMS"},
    {"063", "Saldo devedor", "Campo063ICMS"},
    {"064", "Deduções (RPA)", "Campo064IcmsRPA"},
    {"064", "Deduções (RES)", "Campo064IcmsRES"},
};

constexpr Line kTaxSubstitution[] = {
    {"051", "Débitos do imposto retido (saídas)", "Campo051IcmsST11"},
    {"052", "Outros débitos", "Campo052IcmsST11"},
    {"053", "Estorno de créditos", "Campo053IcmsST11"},
    {"055", "Total de débitos", "Campo055IcmsST11"},
    {"056", "Créditos do imposto retido (entradas)", "Campo056IcmsST11"},
    {"057", "Outros créditos", "Campo057IcmsST11"},
    {"058", "Estorno de débitos", "Campo058IcmsST11"},
    {"060", "Subtotal de créditos", "Campo060IcmsST11"},
    {"061", "Saldo credor do período anterior", "Campo061IcmsST11"},
    {"062", "Total de créditos", "Campo062IcmsST11"},
    {"063", "Saldo devedor", "Campo063IcmsST11"},
    {"064", "Deduções", "Campo064IcmsST11"},
    {"065", "Imposto a recolher", "Campo065IcmsST11"},
    {"066", "Saldo credor a transportar", "Campo066IcmsST11"},
};

constexpr Line kPayments[] = {
    {"", "Pagamentos de operações próprias", "PagamentosICMS"},
    {"", "Quantidade de pagamentos de operações próprias", "PagamentosICMSContar"},
    {"", "Pagamentos de substituição tributária", "PagamentosICMS_ST"},
    {"", "Quantidade de pagamentos de substituição tributária", "PagamentosICMS_STConta"},
};

struct Section {
  const char* key;
  const char* title;
  std::span<const Line> lines;
};

constexpr Section kSections[] = {
    {"operacoes_proprias", "Operações próprias", kOwnOperations},
    {"substituicao_tributaria", "Substituição tributária", kTaxSubstitution},
    {"pagamentos", "Pagamentos", kPayments}};

}  // namespace

void PrintApuracao(const ApuracaoRequest& request, bool json, std::ostream& out) {
  auto settings = std::make_shared<MemorySettingsStore>();
  settings->Set("Brisquel", "DB", "DbAtual", request.path);
  settings->Set("Brisquel", "pRef", "RefAtual", request.reference);
  settings->Set("Brisquel", "Data", "DataLimite", request.cutover);
  InstallSettingsStore(settings);
  struct Restore {
    ~Restore() { InstallSettingsStore(nullptr); }
  } restore;

  // All fields at once, read by name as a front-end reads them.
  std::shared_ptr<Object> apuracao = CreateObject("Orvalis.Apuracao");
  LetProperty(*apuracao, "NroVEK", request.declaration);
  Call(*apuracao, "Calcula");
  out << (json ? "{\n" : "");
  if (json) {
    out << "  \"arquivo\": " << JsonText(request.path)
        << ",\n  \"NroVEK\": " << ToText(request.declaration)
        << ",\n  \"referencia\": " << JsonText(request.reference) << ",\n";
  } else {
    out << "Apuração do ICMS, declaração " << ToText(request.declaration) << " de "
        << request.reference << "\n";
  }
  for (size_t s = 0; s < std::size(kSections); ++s) {
    const Section& section = kSections[s];
    out << (json ? "  " + JsonText(section.key) + ": [\n"
                 : std::string("\n") + section.title + "\n");
    for (size_t i = 0; i < section.lines.size(); ++i) {
      const Line& line = section.lines[i];
      Variant value = GetProperty(*apuracao, line.member);
      if (json) {
        out << "    {\"campo\": " << JsonText(line.number)
            << ", \"descricao\": " << JsonText(line.label) << ", \"valor\": " << JsonValue(value)
            << ", \"numero\": " << JsonNumber(value) << "}"
            << (i + 1 < section.lines.size() ? ",\n" : "\n");
      } else {
        std::string label = std::string(line.number[0] ? line.number : "   ") + "  " + line.label;
        const std::string shown = ValueText(value);
        out << "  " << PaddedRight(label, 56) << std::right << std::setw(16)
            << (shown.empty() ? "-" : shown) << "\n";
      }
    }
    if (json) out << "  ]" << (s + 1 < std::size(kSections) ? ",\n" : "\n");
  }
  out << (json ? "}\n" : "");
}

bool IsReferenceMonth(const std::string& month) {
  return month.size() == 7 && ParseDate(month).has_value();
}

std::string CutoverOr(const std::string& given, const std::string& reference) {
  if (!given.empty()) return given;
  std::string stored = GetSetting("Brisquel", "Data", "DataLimite");
  return stored.empty() ? reference : stored;
}

}  // namespace orvalis::cli
