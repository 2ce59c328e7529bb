// The old engine's stored values decoded from their bytes, exactly: no value passes
// through a lossy text form. Each function raises Error 3421 whose description says why
// the bytes do not decode.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "orvalis/date.h"

namespace orvalis::database {

using JetBytes = std::span<const unsigned char>;

// How a file keeps its texts: Jet 3.0 in code page 1252, Jet 4.0 in UCS-2 (little
// endian) or its compressed form (marked FF FE; single bytes for characters below 256,
// a zero byte switching between one and two bytes a character).
enum class JetTextForm { kCodePage1252, kUnicode };

// The text as UTF-8. Raises for UCS-2 of odd length or with an unpaired surrogate.
std::string DecodeJetText(JetBytes bytes, JetTextForm form);

// Little-endian integers and reals as the file keeps them.
int64_t JetInteger(JetBytes bytes);  // 1 (unsigned), 2, 4 or 8 bytes (signed)
double JetReal(JetBytes bytes);      // 4 (single) or 8 bytes

// A date and time: the day serial (days since 30 December 1899, the time as the fraction;
// before 1900 the day counts back and the fraction still adds time) kept as it is.
// Raises outside the years 100 to 9999.
Date DecodeJetDate(JetBytes bytes);

// A fixed-point number (17 bytes: a sign byte, then a 128-bit magnitude as four 32-bit
// little-endian words, most significant first) as "-123.45" with `scale` decimals.
std::string DecodeJetDecimal(JetBytes bytes, int scale);

// A replication id (16 bytes) as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string DecodeJetGuid(JetBytes bytes);

// Raises Error 3421 with `reason`.
[[noreturn]] void ThrowUndecodable(const std::string& reason);

}  // namespace orvalis::database
