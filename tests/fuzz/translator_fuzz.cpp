// Fuzz target: the dialect tokenizer and translator on any text. Every input either
// translates or raises orvalis::Error; nothing else may happen.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/catalog.h"
#include "engine/sql_tokenizer.h"
#include "engine/sql_translator.h"
#include "orvalis/error.h"

namespace {

// Resolves the columns of one table as the declaration schema types them.
std::optional<orvalis::ColumnSpec> Resolve(std::string_view table, std::string_view column) {
  using orvalis::FieldType;
  if (table.empty()) return std::nullopt;
  if (column == "Imposto" || column == "Valor")
    return orvalis::ColumnSpec{FieldType::kCurrency, 8, 0};
  if (column == "NroVEK") return orvalis::ColumnSpec{FieldType::kLong, 4, 0};
  return orvalis::ColumnSpec{FieldType::kText, 255, 0};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    orvalis::engine::SqlTokenizer tokenizer(text);
    orvalis::engine::SqlToken token;
    while (tokenizer.Next(token)) {
    }
    orvalis::engine::TranslateSql(text, Resolve);
  } catch (const orvalis::Error&) {
  }
  return 0;
}
