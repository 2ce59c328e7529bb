#include "engine/sql_tokenizer.h"

#include <array>
#include <cstdint>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

// What each byte can be, looked up once per byte.
enum CharClass : uint8_t { kDigit = 1, kNameStart = 2, kBlank = 4 };

constexpr std::array<uint8_t, 256> kClasses = [] {
  std::array<uint8_t, 256> classes{};
  for (int c = '0'; c <= '9'; ++c) classes[c] = kDigit;
  for (int c = 'A'; c <= 'Z'; ++c) classes[c] = kNameStart;
  for (int c = 'a'; c <= 'z'; ++c) classes[c] = kNameStart;
  classes['_'] = kNameStart;
  for (int c = 0x80; c < 0x100; ++c) classes[c] = kNameStart;
  for (char c : {' ', '\t', '\r', '\n', '\f', '\v'}) classes[static_cast<uint8_t>(c)] = kBlank;
  return classes;
}();

uint8_t ClassOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }
bool IsDigit(char c) { return ClassOf(c) == kDigit; }
bool IsNameStart(char c) { return ClassOf(c) == kNameStart; }
bool IsNamePart(char c) { return (ClassOf(c) & (kDigit | kNameStart)) != 0; }
bool IsBlank(char c) { return ClassOf(c) == kBlank; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view SqlToken::Inner() const {
  switch (kind) {
    case SqlTokenKind::kBracketed:
    case SqlTokenKind::kSingleQuoted:
    case SqlTokenKind::kDoubleQuoted:
    case SqlTokenKind::kDate:
      return text.substr(1, text.size() - 2);
    default:
      return text;
  }
}

bool SqlToken::IsKeyword(std::string_view upper_keyword) const {
  if (kind != SqlTokenKind::kIdentifier || text.size() != upper_keyword.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (Upper(text[i]) != upper_keyword[i]) return false;
  }
  return true;
}

bool SqlTokenizer::Next(SqlToken& token) {
  if (pos_ >= sql_.size()) return false;
  const size_t begin = pos_;
  const char c = sql_[begin];
  size_t end;
  SqlTokenKind kind;
  if (IsBlank(c)) {
    end = begin + 1;
    while (end < sql_.size() && IsBlank(sql_[end])) ++end;
    kind = SqlTokenKind::kWhitespace;
  } else if (c == '[') {
    end = ScanDelimited(begin, ']', false);
    kind = SqlTokenKind::kBracketed;
  } else if (c == '\'') {
    end = ScanDelimited(begin, '\'', true);
    kind = SqlTokenKind::kSingleQuoted;
  } else if (c == '"') {
    end = ScanDelimited(begin, '"', true);
    kind = SqlTokenKind::kDoubleQuoted;
  } else if (c == '#') {
    end = ScanDelimited(begin, '#', false);
    kind = SqlTokenKind::kDate;
  } else if (IsDigit(c) || (c == '.' && DotStartsNumber(begin))) {
    end = ScanNumber(begin);
    kind = SqlTokenKind::kNumber;
  } else if (IsNameStart(c)) {
    end = ScanIdentifier(begin);
    kind = SqlTokenKind::kIdentifier;
  } else if ((end = ScanOperator(begin)) > begin) {
    kind = SqlTokenKind::kOperator;
  } else {
    end = begin + 1;
    kind = SqlTokenKind::kOther;
  }
  token.kind = kind;
  token.text = sql_.substr(begin, end - begin);
  pos_ = end;
  if (kind != SqlTokenKind::kWhitespace) {
    last_kind_ = kind;
    last_was_close_ = token.Is(')');
  }
  return true;
}

size_t SqlTokenizer::ScanDelimited(size_t begin, char close, bool doubled_escape) const {
  size_t pos = begin + 1;
  while (pos < sql_.size()) {
    if (sql_[pos] == close) {
      if (doubled_escape && pos + 1 < sql_.size() && sql_[pos + 1] == close) {
        pos += 2;
        continue;
      }
      return pos + 1;
    }
    ++pos;
  }
  throw MakeError(ErrorCode::kSyntaxInExpression, sql_.substr(begin));
}

size_t SqlTokenizer::ScanNumber(size_t begin) const {
  size_t pos = begin;
  while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
  if (pos < sql_.size() && sql_[pos] == '.') {
    ++pos;
    while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
  }
  // An exponent only when digits follow it: "1e5", "2.5E-3".
  if (pos < sql_.size() && (sql_[pos] == 'e' || sql_[pos] == 'E')) {
    size_t digits = pos + 1;
    if (digits < sql_.size() && (sql_[digits] == '+' || sql_[digits] == '-')) ++digits;
    if (digits < sql_.size() && IsDigit(sql_[digits])) {
      pos = digits;
      while (pos < sql_.size() && IsDigit(sql_[pos])) ++pos;
    }
  }
  return pos;
}

size_t SqlTokenizer::ScanIdentifier(size_t begin) const {
  size_t pos = begin + 1;
  while (pos < sql_.size() && IsNamePart(sql_[pos])) ++pos;
  return pos;
}

size_t SqlTokenizer::ScanOperator(size_t begin) const {
  const char c = sql_[begin];
  const char next = begin + 1 < sql_.size() ? sql_[begin + 1] : '\0';
  if (c == '<' && (next == '>' || next == '=')) return begin + 2;
  if (c == '>' && next == '=') return begin + 2;
  switch (c) {
    case '=':
    case '<':
    case '>':
    case '+':
    case '-':
    case '*':
    case '/':
    case '&':
    case ',':
    case '(':
    case ')':
    case '.':
    case ';':
      return begin + 1;
    default:
      return begin;
  }
}

bool SqlTokenizer::DotStartsNumber(size_t pos) const {
  if (pos + 1 >= sql_.size() || !IsDigit(sql_[pos + 1])) return false;
  switch (last_kind_) {
    case SqlTokenKind::kIdentifier:
    case SqlTokenKind::kBracketed:
    case SqlTokenKind::kNumber:
      return false;
    default:
      return !last_was_close_;
  }
}

}  // namespace orvalis::engine
