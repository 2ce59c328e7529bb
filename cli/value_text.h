// How the command writes values: as JSON strings, as CSV fields, and an apuração field's
// value as text.
#pragma once

#include <string>
#include <string_view>

#include "orvalis/variant.h"

namespace orvalis::cli {

// A JSON string: the text between double quotes, '"', '\' and control characters escaped.
std::string JsonText(std::string_view text);

// A CSV field (RFC 4180): the text as it is, or between double quotes (inner ones
// doubled) when it holds a comma, a quote, a line break or a blank at either end.
std::string CsvField(std::string_view text);

// A field's value as the command shows it: money texts as they are (a trailing blank
// included), payment sums as money text, counts as numbers; "" for Empty and Null.
std::string ValueText(const Variant& value);

// The same for JSON: whole numbers (counts) as numbers, null for Empty and Null, every
// other value as the string ValueText gives.
std::string JsonValue(const Variant& value);

// A field's value as a JSON decimal number, read exactly as the component reads its own
// money texts ("1.234,50" is 1234.50, "0,00 " is 0.00); null for Empty, Null and a text
// that is not a number.
std::string JsonNumber(const Variant& value);

// `text` followed by blanks up to `width` characters (not bytes: accented letters count
// once).
std::string PaddedRight(std::string_view text, size_t width);

}  // namespace orvalis::cli
