// Lexical analysis of the declaration engine's SQL dialect.
//
// The tokenizer splits a statement into tokens without copying: every token is a view
// into the text it reads. Names may carry accented letters (any byte >= 0x80 belongs to
// a name, so "tblOcorrências" is one identifier); the dialect's decimal point is '.'.
#pragma once

#include <cstddef>
#include <string_view>

namespace orvalis::engine {

enum class SqlTokenKind {
  kIdentifier,    // a letter, '_' or byte >= 0x80, then those and digits
  kBracketed,     // [name]
  kSingleQuoted,  // 'text'  ('' inside stands for one ')
  kDoubleQuoted,  // "text"  ("" inside stands for one ")
  kDate,          // #01/03/2005#
  kNumber,        // 12, 1.5, .5, 1e3
  kOperator,      // = <> <= >= < > + - * / & , ( ) . ;
  kWhitespace,    // blanks, tabs, line breaks
  kOther,         // any other single character
};

struct SqlToken {
  SqlTokenKind kind = SqlTokenKind::kOther;
  std::string_view text;  // as written, delimiters included

  // The text between the delimiters of a bracketed, quoted or date token (escapes kept);
  // the whole text for the other kinds.
  std::string_view Inner() const;
  // An operator token of exactly that one character.
  bool Is(char op) const {
    return kind == SqlTokenKind::kOperator && text.size() == 1 && text[0] == op;
  }
  // An identifier equal to `upper_keyword` (given in upper case) ignoring ASCII case.
  bool IsKeyword(std::string_view upper_keyword) const;
};

// Reads the tokens of one statement in order.
class SqlTokenizer {
 public:
  explicit SqlTokenizer(std::string_view sql) : sql_(sql) {}

  // Reads the next token into `token`; false at the end of the text. Raises Error 3075
  // for an unterminated literal or bracket.
  bool Next(SqlToken& token);

 private:
  size_t ScanDelimited(size_t begin, char close, bool doubled_escape) const;
  size_t ScanNumber(size_t begin) const;
  size_t ScanIdentifier(size_t begin) const;
  size_t ScanOperator(size_t begin) const;
  // A '.' starts a number (".5") only where no name or value precedes it.
  bool DotStartsNumber(size_t pos) const;

  std::string_view sql_;
  size_t pos_ = 0;
  // The kind of the last token that was not whitespace, and whether it was ')'.
  SqlTokenKind last_kind_ = SqlTokenKind::kWhitespace;
  bool last_was_close_ = false;
};

}  // namespace orvalis::engine
