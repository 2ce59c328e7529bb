// RefData: the reference period against the cut-over date, both from the settings.
#include <string>
#include <string_view>

#include "orvalis/corrige_converte_db.h"
#include "orvalis/date.h"
#include "orvalis/error.h"
#include "orvalis/settings.h"
#include "component/utf8.h"

namespace orvalis::database {
namespace {

// The setting's first seven characters read as a date; Error 13 when they are not one
// (an absent setting reads as "").
Date SettingAsDate(std::string_view section, std::string_view key) {
  const std::string value = GetSetting("Brisquel", section, key);
  const auto date = ParseDate(FirstCharacters(value, 7));
  if (!date) throw MakeError(ErrorCode::kTypeMismatch);
  return *date;
}

}  // namespace

int16_t RefData() {
  const Date reference = SettingAsDate("pRef", "RefAtual");
  const Date limit = SettingAsDate("Data", "DataLimite");
  const int32_t days = DaysBetween(reference, limit);
  if (days > 0) return 1;
  if (days < 0) return 2;
  return 0;
}

}  // namespace orvalis::database
