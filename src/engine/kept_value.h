// Column types the engine keeps as they come rather than as one of the runtime's kinds:
// bytes (Binary, LongBinary), replication ids (GUID) and exact fixed-point numbers
// (Decimal). How a value written into such a column is stored and how it reads back.
//
// Storage: bytes as SQLite blobs (or texts holding the same bytes), a GUID as its text
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals, a decimal as its exact text with
// a full stop and exactly `scale` decimals ("-1234.5600"), never as a binary real.
// Reading: bytes and GUIDs as a String holding the stored bytes; a decimal as a String
// in the Brazilian form ("-1234,5600"), which the runtime's conversions read exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/stored_value.h"

namespace orvalis::engine {

bool IsKeptType(FieldType type);

// Raises 3421 when the value does not convert (not a GUID, not a number), 3163 when bytes
// exceed a Binary column's width, 3349 when a number has more digits than the precision.
StoredValue EncodeKeptValue(const Variant& value, const ColumnSpec& column);
Variant DecodeKeptValue(const StoredValue& stored, FieldType type);

// The canonical text of a decimal number ("-12.50" for scale 2) read from the forms
// "-12,5", "1.234,5" (Brazilian) or "-12.5" when `point` says the full stop is the decimal
// point; rounded half away from zero to `scale` decimals. Nothing when it is not a number.
std::optional<std::string> CanonicalDecimal(std::string_view text, int scale, bool point);

}  // namespace orvalis::engine
