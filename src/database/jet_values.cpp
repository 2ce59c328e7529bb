#include "database/jet_values.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "orvalis/error.h"
#include "component/utf8.h"

namespace orvalis::database {

namespace {

// Code page 1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to the
// control characters of the same number, as the system's own conversion does.
constexpr std::array<char16_t, 32> kCodePage1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Serials of 1 January 100 and of the day after 31 December 9999.
constexpr double kFirstDay = -657434;
constexpr double kDayAfterLast = 2958466;

std::string Utf16ToUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      ThrowUndecodable("an unpaired UTF-16 surrogate in a text");
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string Ucs2Units(JetBytes bytes) {
  if (bytes.size() % 2 != 0) ThrowUndecodable("a Unicode text of an odd number of bytes");
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return units;
}

std::u16string UncompressedUnits(JetBytes bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  bool compressed = true;
  for (size_t i = 2; i < bytes.size();) {
    if (bytes[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      units.push_back(bytes[i++]);
    } else if (i + 1 < bytes.size()) {
      units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
      i += 2;
    } else {
      ThrowUndecodable("a compressed text cut inside a character");
    }
  }
  return units;
}

}  // namespace

void ThrowUndecodable(const std::string& reason) {
  throw Error(static_cast<int32_t>(ErrorCode::kConversionError),
              "The value cannot be decoded: " + reason + ".");
}

std::string DecodeJetText(JetBytes bytes, JetTextForm form) {
  if (form == JetTextForm::kCodePage1252) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char byte : bytes) {
      AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kCodePage1252High[byte - 0x80] : byte);
    }
    return out;
  }
  const bool compressed = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  return Utf16ToUtf8(compressed ? UncompressedUnits(bytes) : Ucs2Units(bytes));
}

int64_t JetInteger(JetBytes bytes) {
  switch (bytes.size()) {
    case 1:
      return bytes[0];
    case 2:
      return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
    case 4:
    case 8: {
      uint64_t value = 0;
      for (size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
      return bytes.size() == 4 ? static_cast<int64_t>(static_cast<int32_t>(value))
                               : static_cast<int64_t>(value);
    }
    default:
      ThrowUndecodable("an integer of " + std::to_string(bytes.size()) + " bytes");
  }
}

double JetReal(JetBytes bytes) {
  static_assert(std::endian::native == std::endian::little, "the file's reals are little endian");
  if (bytes.size() == 4) {
    float single;
    std::memcpy(&single, bytes.data(), 4);
    return single;
  }
  if (bytes.size() != 8) ThrowUndecodable("a real of " + std::to_string(bytes.size()) + " bytes");
  double real;
  std::memcpy(&real, bytes.data(), 8);
  return real;
}

Date DecodeJetDate(JetBytes bytes) {
  const double serial = JetReal(bytes.size() == 8 ? bytes : JetBytes{});
  if (!std::isfinite(serial) || serial <= kFirstDay - 1 || serial >= kDayAfterLast) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", serial);
    ThrowUndecodable(std::string("a date outside the years 100 to 9999 (serial ") + text + ")");
  }
  return Date(serial);
}

std::string DecodeJetDecimal(JetBytes bytes, int scale) {
  if (bytes.size() != 17) ThrowUndecodable("a fixed-point number that is not 17 bytes long");
  unsigned __int128 magnitude = 0;
  for (int word = 0; word < 4; ++word) {
    uint32_t part = 0;
    for (int b = 3; b >= 0; --b) part = (part << 8) | bytes[1 + 4 * word + b];
    magnitude = (magnitude << 32) | part;
  }
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (scale > 0) {
    if (digits.size() <= static_cast<size_t>(scale)) {
      digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<size_t>(scale), ".");
  }
  const bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (bytes[0] & 0x80) != 0 && !zero ? "-" + digits : digits;
}

std::string DecodeJetGuid(JetBytes bytes) {
  if (bytes.size() != 16) ThrowUndecodable("a replication id that is not 16 bytes long");
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(JetInteger(bytes.subspan(0, 4)) & 0xFFFFFFFF),
                static_cast<unsigned>(JetInteger(bytes.subspan(4, 2)) & 0xFFFF),
                static_cast<unsigned>(JetInteger(bytes.subspan(6, 2)) & 0xFFFF), bytes[8], bytes[9],
                bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
  return text;
}

}  // namespace orvalis::database
