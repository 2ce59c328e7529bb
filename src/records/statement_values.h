// How the record classes build their statements: one join of the statement's fragments,
// in the order the statement reads, with the caller's values turned into text by the
// helpers below.
//
//   Sql("Select * from tblDetalhesCFOPs ", "Where (NroVEK = ", Bare(nro_vek), ") And ",
//       "(CFOP = '", Quoted(cfop), "')")
//
// A value between the statement's single quotes (a text key, a Like pattern) goes in
// through Quoted: its quotes doubled, so it is matched as it stands. A value placed bare
// goes in through Bare (SqlBareValue: a text that is no number or Boolean is refused
// with 13). A date text between # marks goes in through DateLiteralText.
#pragma once

#include <string>
#include <string_view>

#include "engine/sql_text.h"
#include "orvalis/variant.h"

namespace orvalis::records {

// The statement joined from its fragments, in order.
template <typename... Fragments>
std::string Sql(const Fragments&... fragments) {
  std::string statement;
  (statement.append(std::string_view(fragments)), ...);
  return statement;
}

// A value placed bare: SqlBareValue.
inline std::string Bare(const Variant& value) { return SqlBareValue(value); }
// A value between single quotes: SqlValueText (Null and Empty give nothing).
inline std::string Quoted(const Variant& value) { return SqlValueText(value); }
// A value between the quotes of a Like pattern that must match only itself: Quoted with
// the wildcards * ? # and [ each put in brackets.
std::string LikeLiteral(const Variant& value);

// The runtime's text of `value`; Null, Empty and Missing give "".
std::string ValueText(const Variant& value);

// A date text placed between # marks: the text itself; 13 when it holds a '#'.
std::string DateLiteralText(std::string_view text);

}  // namespace orvalis::records
