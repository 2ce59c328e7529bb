#include "engine/sql_translator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <span>
#include <utility>

#include "component/text_fold.h"
#include "engine/sql_text.h"
#include "engine/sql_tokenizer.h"
#include "engine/sqlite_handle.h"
#include "orvalis/date.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

using Words = std::span<const std::string_view>;

// Words of the dialect that never name a column or a table unbracketed.
constexpr std::string_view kReservedWords[] = {
    "ALL",   "AND",      "AS",          "ASC",   "BETWEEN", "BY",     "CASE",   "CROSS", "DELETE",
    "DESC",  "DISTINCT", "DISTINCTROW", "ELSE",  "END",     "EXISTS", "FALSE",  "FROM",  "FULL",
    "GROUP", "HAVING",   "IN",          "INNER", "INSERT",  "INTO",   "IS",     "JOIN",  "LEFT",
    "LIKE",  "NOT",      "NULL",        "ON",    "OR",      "ORDER",  "OUTER",  "RIGHT", "SELECT",
    "SET",   "THEN",     "TOP",         "TRUE",  "UNION",   "UPDATE", "VALUES", "WHEN",  "WHERE"};

// Words SQLite reserves that the dialect leaves free for names: written double-quoted.
constexpr std::string_view kSqliteOnlyReserved[] = {
    "COLLATE",    "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "DEFERRABLE", "ESCAPE",       "EXCEPT",       "INTERSECT",
    "ISNULL",     "LIMIT",        "NOTHING",      "NOTNULL",
    "RETURNING",  "TO",           "USING"};

// Words that end the select list, and the FROM clause, at the statement's top level.
constexpr std::string_view kSelectListEnd[] = {"FROM",   "WHERE", "GROUP",
                                               "HAVING", "ORDER", "UNION"};
constexpr std::string_view kFromClauseEnd[] = {"WHERE", "GROUP", "HAVING", "ORDER", "UNION"};

// Tokens after which an operand starts a condition of its own, and tokens that end one:
// a comparison between them binds no tighter operator to its operands.
constexpr std::string_view kConditionStarts[] = {"AND", "ELSE",   "HAVING", "NOT",  "ON",
                                                 "OR",  "SELECT", "THEN",   "WHEN", "WHERE"};
constexpr std::string_view kConditionEnds[] = {"AND",   "AS",     "ELSE", "END",   "FROM",
                                               "GROUP", "HAVING", "OR",   "ORDER", "THEN",
                                               "UNION", "WHEN",   "WHERE"};

// Aggregates whose result keeps the scale of a Currency argument.
constexpr std::string_view kScalePreservingAggregates[] = {"AVG", "FIRST", "LAST",
                                                           "MAX", "MIN",   "SUM"};

constexpr std::pair<std::string_view, AggregateKind> kAggregates[] = {
    {"SUM", AggregateKind::kSum},      {"COUNT", AggregateKind::kCount},
    {"AVG", AggregateKind::kAvg},      {"MIN", AggregateKind::kMin},
    {"MAX", AggregateKind::kMax},      {"FIRST", AggregateKind::kFirst},
    {"LAST", AggregateKind::kLast},    {"STDEV", AggregateKind::kOther},
    {"STDEVP", AggregateKind::kOther}, {"VAR", AggregateKind::kOther},
    {"VARP", AggregateKind::kOther}};

constexpr std::string_view kCurrencyScale = "10000";
constexpr int kCurrencyDecimals = 4;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

bool IsAnyKeyword(const SqlToken& token, Words words) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view word) { return token.IsKeyword(word); });
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Appends `text`, keeping a blank where the join would open an SQLite comment ("--", "/*").
void AppendSafe(std::string& out, std::string_view text) {
  if (!out.empty() && !text.empty() &&
      ((out.back() == '-' && text.front() == '-') || (out.back() == '/' && text.front() == '*'))) {
    out.push_back(' ');
  }
  out.append(text);
}

void AppendQuotedName(std::string_view name, std::string& out) {
  out.append(QuoteIdentifier(name));
}

// The inside of a "text" literal (with "" escapes) as an SQLite 'text' literal.
void AppendDoubleQuotedText(std::string_view inner, std::string& out) {
  out.push_back('\'');
  for (size_t i = 0; i < inner.size(); ++i) {
    const char c = inner[i];
    if (c == '"') ++i;  // "" stands for one quote
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
}

// A date literal's serial number in its shortest exact form (whole days without ".0").
void AppendDateLiteral(const SqlToken& token, std::string& out) {
  const std::optional<Date> date = ParseDate(token.Inner());
  if (!date) throw MakeError(ErrorCode::kSyntaxInExpression, token.text);
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, date->serial());
  AppendSafe(out, std::string_view(buffer, written.ptr - buffer));
}

// A numeric literal multiplied by 10000 exactly, by moving its decimal point.
void AppendScaledNumber(std::string_view number, std::string& out) {
  if (number.find_first_of("eE") != std::string_view::npos) {
    out.push_back('(');
    out.append(number);
    out.push_back('*');
    out.append(kCurrencyScale);
    out.push_back(')');
    return;
  }
  const size_t dot = number.find('.');
  const std::string_view whole = number.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
  std::string digits(whole);
  for (int i = 0; i < kCurrencyDecimals; ++i) {
    digits.push_back(static_cast<size_t>(i) < fraction.size() ? fraction[i] : '0');
  }
  std::string_view rest =
      fraction.size() > kCurrencyDecimals ? fraction.substr(kCurrencyDecimals) : std::string_view();
  while (!rest.empty() && rest.back() == '0') rest.remove_suffix(1);
  const size_t first = std::min(digits.find_first_not_of('0'), digits.size() - 1);
  AppendSafe(out, std::string_view(digits).substr(first));
  if (!rest.empty()) {
    out.push_back('.');
    out.append(rest);
  }
}

// The literal prefix of a Like pattern 'abc*' (quotes undone, lower case), when the pattern
// is exactly that: printable ASCII without wildcards, then one trailing '*'.
bool LikePrefix(const SqlToken& pattern, std::string& prefix) {
  const std::string_view inner = pattern.Inner();
  const char quote = pattern.kind == SqlTokenKind::kSingleQuoted ? '\'' : '"';
  if (inner.size() < 2 || inner.back() != '*') return false;
  for (size_t i = 0; i + 1 < inner.size(); ++i) {
    const char c = inner[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F || c == '*' || c == '?' || c == '#' || c == '[' || c == ']') {
      return false;
    }
    if (c == quote) ++i;  // a doubled quote
    prefix.push_back(LowerAscii(c));
  }
  return true;
}

// Whether a comes before b, letter case ignored as SQLite's NOCASE ignores it (ASCII).
bool NoCaseLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
  });
}

bool HasLetter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// A significant token with the blanks written before it and what to do with it.
struct Token {
  enum class Edit : uint8_t {
    kKeep,
    kDrop,           // removed with the blanks before it
    kDropKeepBlank,  // removed, the blanks before it kept
    kScaleCurrency,  // a numeric literal multiplied by 10000
  };
  SqlToken lex;
  std::string_view leading;
  Edit edit = Edit::kKeep;
  bool assignment = false;  // the '=' of an UPDATE assignment, not a comparison
  bool parameter = false;   // a numeric literal of a condition, sent as a bound parameter
  uint32_t number = 0;      // for a numeric literal: its position among the text's numbers
};

// Text written just before (after the blanks) or just after a token's own text.
struct Insertion {
  size_t token;
  bool after;
  std::string text;
};

// A column reference, possibly in parentheses or under an aggregate: c, t.c, ((t.c)),
// Sum(t.c). Token ranges are half-open.
struct ColumnOperand {
  size_t begin = 0, end = 0;          // the whole operand
  size_t ref_begin = 0, ref_end = 0;  // the bare reference
  std::string_view qualifier;         // brackets removed; empty when unqualified
  std::string_view column;
  bool aggregated = false;
};

struct ResolvedColumn {
  std::string table;
  ColumnSpec definition;
  bool text_compared = false;
  bool indexed = false;
};

// A condition `column Like 'prefix*'` on a Text column (tokens [begin, end)) and the bounds
// its matches lie within, letter case ignored: prefix <= column < upper.
struct LikeCondition {
  size_t begin = 0, end = 0;
  std::string reference;  // the column as the SQLite text names it
  std::string prefix, upper;
  ResolvedColumn column;
  bool grouped = false;  // bounded with the other conditions of its disjunction
};

// Translates one statement: tokenizes it, reads its structure, marks the rewrites its
// expressions need, then writes the SQLite text.
class Translator {
 public:
  Translator(std::string_view sql, const ColumnResolver& resolver)
      : sql_(sql), resolver_(resolver) {}

  TranslatedStatement Run();

 private:
  // ---- tokens
  void Tokenize();
  size_t count() const { return tokens_.size(); }
  const SqlToken& Lex(size_t i) const { return tokens_[i].lex; }
  bool Op(size_t i, char op) const { return i < count() && Lex(i).Is(op); }
  bool Keyword(size_t i, std::string_view word) const {
    return i < count() && Lex(i).IsKeyword(word);
  }
  bool KeywordIn(size_t i, Words words) const { return i < count() && IsAnyKeyword(Lex(i), words); }
  bool IsName(size_t i) const;
  std::string_view Name(size_t i) const { return Lex(i).Inner(); }
  bool IsComparison(size_t i) const;
  bool IsStringLiteral(size_t i) const;
  // Past the parenthesized group opening at i (or past token i when it opens none).
  size_t SkipGroup(size_t i) const;
  size_t ScanToKeyword(size_t i, Words words) const;

  // ---- structure
  void AnalyzeStructure();
  void AnalyzeSelect();
  size_t AnalyzeSelectCore(size_t i, bool first);
  size_t ParseFromClause(size_t i, std::vector<TableRef>& out) const;
  size_t ReadTableRef(size_t i, std::vector<TableRef>& out) const;
  void CollectNestedTables();
  void AnalyzeSelectItems(size_t begin, size_t end);
  SelectItemHint HintFor(size_t begin, size_t end) const;
  AggregateKind AggregateAt(size_t i) const;
  bool ContainsAggregate(size_t begin, size_t end) const;
  void AnalyzeUpdate();
  void AnalyzeDelete();
  void AnalyzeInsert();

  // ---- columns
  std::optional<ColumnOperand> ParseColumnOperand(size_t i) const;
  std::optional<ColumnOperand> ParseReference(size_t i) const;
  const TableRef* FindTable(std::string_view qualifier) const;
  std::optional<ResolvedColumn> Resolve(std::string_view qualifier, std::string_view column) const;
  std::optional<ResolvedColumn> Resolve(const ColumnOperand& operand) const {
    return Resolve(operand.qualifier, operand.column);
  }
  bool IsCurrency(const ColumnOperand& operand) const;
  void FillColumn(const ColumnOperand& operand, SelectItemHint& hint) const;

  // ---- expression rewrites
  void MarkExpressions();
  void MarkParameters();
  bool StartsCondition(size_t i) const;
  bool EndsCondition(size_t i) const;
  size_t NumberAt(size_t i) const;
  void MarkOperandUse(const ColumnOperand& operand);
  void MarkLiteralFirst(size_t i);
  void MarkBetween(const ColumnOperand& operand, size_t between);
  void MarkInList(const ColumnOperand& operand, size_t in);
  void NoteLikeCondition(const ColumnOperand& operand, size_t like);
  void MarkLikeDisjunctions();
  std::vector<size_t> DisjunctionOfLikes(size_t open, size_t close) const;
  size_t LikeSpanning(size_t begin, size_t end) const;
  void MarkLikeBounds();
  std::string Bounds(const std::string& reference, const std::string& lower,
                     const std::string& upper) const;
  void Scale(size_t i) { tokens_[i].edit = Token::Edit::kScaleCurrency; }
  void Insert(size_t token, bool after, std::string text) {
    insertions_.push_back({token, after, std::move(text)});
  }

  // ---- output
  void Emit();
  void AppendToken(size_t i, std::string& out);
  void AppendIdentifier(size_t i, std::string& out) const;
  void SetRange(size_t begin, size_t end, const std::vector<size_t>& starts,
                const std::vector<size_t>& ends, size_t& out_begin, size_t& out_end) const;

  static constexpr size_t kNone = static_cast<size_t>(-1);

  std::string_view sql_;
  const ColumnResolver& resolver_;
  std::vector<Token> tokens_;
  std::vector<Insertion> insertions_;
  std::vector<TableRef> nested_tables_;  // tables of subqueries, for resolving names only
  std::vector<LikeCondition> likes_;
  TranslatedStatement result_;
  size_t list_begin_ = kNone, list_end_ = kNone;  // token ranges of the first SELECT
  size_t from_begin_ = kNone, from_end_ = kNone;
  std::string_view limit_;  // the n of SELECT TOP n
  uint32_t numbers_ = 0;    // numeric literals seen
};

TranslatedStatement Translator::Run() {
  Tokenize();
  AnalyzeStructure();
  MarkExpressions();
  MarkLikeDisjunctions();
  MarkLikeBounds();
  MarkParameters();
  Emit();
  return std::move(result_);
}

// ---- tokens ----------------------------------------------------------------------------

void Translator::Tokenize() {
  tokens_.reserve(sql_.size() / 3 + 4);
  SqlTokenizer tokenizer(sql_);
  SqlToken lex;
  std::string_view blanks;
  while (tokenizer.Next(lex)) {
    if (lex.kind == SqlTokenKind::kWhitespace) {
      blanks = lex.text;
      continue;
    }
    // SQLite would read these as parameters that nothing binds, and match nothing.
    if (lex.kind == SqlTokenKind::kOther && lex.text.find_first_of("?:@$") == 0) {
      throw MakeError(ErrorCode::kSyntaxInExpression, sql_);
    }
    tokens_.push_back({lex, tokens_.empty() ? std::string_view() : blanks});
    if (lex.kind == SqlTokenKind::kNumber) tokens_.back().number = numbers_++;
    blanks = {};
  }
  if (!tokens_.empty() && tokens_.back().lex.Is(';')) tokens_.pop_back();
}

bool Translator::IsName(size_t i) const {
  if (i >= count()) return false;
  const SqlToken& token = Lex(i);
  if (token.kind == SqlTokenKind::kBracketed) return true;
  return token.kind == SqlTokenKind::kIdentifier && !IsAnyKeyword(token, kReservedWords);
}

bool Translator::IsComparison(size_t i) const {
  if (i >= count() || Lex(i).kind != SqlTokenKind::kOperator) return false;
  const std::string_view op = Lex(i).text;
  return op == "=" || op == "<>" || op == "<" || op == "<=" || op == ">" || op == ">=";
}

bool Translator::IsStringLiteral(size_t i) const {
  return i < count() &&
         (Lex(i).kind == SqlTokenKind::kSingleQuoted || Lex(i).kind == SqlTokenKind::kDoubleQuoted);
}

size_t Translator::SkipGroup(size_t i) const {
  if (!Op(i, '(')) return i + 1;
  int depth = 0;
  for (; i < count(); ++i) {
    if (Op(i, '(')) {
      ++depth;
    } else if (Op(i, ')') && --depth == 0) {
      return i + 1;
    }
  }
  return count();
}

size_t Translator::ScanToKeyword(size_t i, Words words) const {
  while (i < count() && !KeywordIn(i, words) && !Op(i, ')')) i = SkipGroup(i);
  return i;
}

// ---- structure -------------------------------------------------------------------------

void Translator::AnalyzeStructure() {
  if (tokens_.empty()) return;
  if (Keyword(0, "SELECT")) {
    AnalyzeSelect();
  } else if (Keyword(0, "UPDATE")) {
    AnalyzeUpdate();
  } else if (Keyword(0, "DELETE")) {
    AnalyzeDelete();
  } else if (Keyword(0, "INSERT")) {
    AnalyzeInsert();
  } else if (Keyword(0, "DROP") && Keyword(1, "TABLE")) {
    result_.kind = StatementKind::kDropTable;
    if (IsName(2)) ReadTableRef(2, result_.tables);
  }
  CollectNestedTables();
  // Items are typed once every table is known: the FROM clause follows the list.
  if (list_begin_ != kNone) AnalyzeSelectItems(list_begin_, list_end_);
}

void Translator::AnalyzeSelect() {
  result_.kind = StatementKind::kSelect;
  size_t i = AnalyzeSelectCore(0, true);
  while (Keyword(i, "UNION")) {
    result_.read_only = true;
    if (Keyword(++i, "ALL")) ++i;
    if (!Keyword(i, "SELECT")) break;
    i = AnalyzeSelectCore(i, false);
  }
}

// Reads one SELECT from its keyword at i up to a top-level UNION or the end.
size_t Translator::AnalyzeSelectCore(size_t i, bool first) {
  for (++i; i < count(); ++i) {
    if (Keyword(i, "DISTINCTROW")) {
      tokens_[i].edit = Token::Edit::kDrop;
    } else if (Keyword(i, "DISTINCT")) {
      result_.read_only = true;
    } else if (first && Keyword(i, "TOP") && i + 1 < count() &&
               Lex(i + 1).kind == SqlTokenKind::kNumber && !Keyword(i + 2, "PERCENT")) {
      tokens_[i].edit = tokens_[i + 1].edit = Token::Edit::kDrop;
      limit_ = Lex(++i).text;
      result_.read_only = true;
    } else if (!Keyword(i, "ALL")) {
      break;
    }
  }
  const size_t list_begin = i;
  i = ScanToKeyword(i, kSelectListEnd);
  if (first) {
    list_begin_ = list_begin;
    list_end_ = i;
  }
  if (Keyword(i, "FROM")) {
    const size_t from = i + 1;
    i = ParseFromClause(from, result_.tables);
    if (first) {
      from_begin_ = from;
      from_end_ = i;
    }
  }
  while (i < count() && !Keyword(i, "UNION")) {
    if (Keyword(i, "GROUP") || Keyword(i, "HAVING")) result_.read_only = true;
    i = SkipGroup(i);
  }
  return i;
}

// Reads the tables of a FROM clause starting at i: names after FROM, JOIN or a ',' that
// is not inside an ON condition. Returns where the clause ends.
size_t Translator::ParseFromClause(size_t i, std::vector<TableRef>& out) const {
  int depth = 0;
  int on_depth = -1;  // depth of the ON condition being read; -1 outside one
  bool expect_table = true;
  for (; i < count(); ++i) {
    if (Op(i, '(')) {
      if (Keyword(i + 1, "SELECT")) {  // a derived table: its own names stay inside
        i = SkipGroup(i) - 1;
        expect_table = false;
      } else {
        ++depth;
      }
      continue;
    }
    if (Op(i, ')')) {
      if (depth == 0) break;
      if (on_depth > --depth) on_depth = -1;
      continue;
    }
    if (Op(i, ';') || (depth == 0 && KeywordIn(i, kFromClauseEnd))) break;
    if (Keyword(i, "JOIN") || (Op(i, ',') && (on_depth < 0 || on_depth == depth))) {
      expect_table = true;
      on_depth = -1;
    } else if (on_depth >= 0) {
      continue;
    } else if (Keyword(i, "ON")) {
      on_depth = depth;
      expect_table = false;
    } else if (expect_table && IsName(i)) {
      i = ReadTableRef(i, out) - 1;
      expect_table = false;
    }
  }
  return i;
}

// Reads "name [[AS] alias]" at i; returns the index after it.
size_t Translator::ReadTableRef(size_t i, std::vector<TableRef>& out) const {
  TableRef ref{std::string(Name(i)), std::string(Name(i))};
  size_t next = i + 1;
  if (Keyword(next, "AS") && IsName(next + 1)) {
    ref.alias = Name(next + 1);
    next += 2;
  } else if (IsName(next)) {
    ref.alias = Name(next);
    ++next;
  }
  out.push_back(std::move(ref));
  return next;
}

void Translator::CollectNestedTables() {
  int depth = 0;
  for (size_t i = 0; i < count(); ++i) {
    if (Op(i, '(')) {
      ++depth;
    } else if (Op(i, ')')) {
      --depth;
    } else if (depth > 0 && Keyword(i, "FROM")) {
      ParseFromClause(i + 1, nested_tables_);
    }
  }
}

void Translator::AnalyzeSelectItems(size_t begin, size_t end) {
  size_t item = begin;
  for (size_t i = begin; i <= end;) {
    if (i == end || Op(i, ',')) {
      if (i > item) result_.select_items.push_back(HintFor(item, i));
      item = ++i;
    } else {
      i = std::min(SkipGroup(i), end);
    }
  }
  for (const SelectItemHint& hint : result_.select_items) {
    if (hint.aggregate != AggregateKind::kNone) result_.read_only = true;
  }
}

SelectItemHint Translator::HintFor(size_t begin, size_t end) const {
  SelectItemHint hint;
  if (end - begin >= 3 && Keyword(end - 2, "AS")) end -= 2;
  if (end - begin == 1 && Op(begin, '*')) {
    hint.is_star = true;
  } else if (end - begin == 3 && IsName(begin) && Op(begin + 1, '.') && Op(begin + 2, '*')) {
    hint.is_star = true;
    const TableRef* table = FindTable(Name(begin));
    hint.table = table != nullptr ? table->name : std::string(Name(begin));
  } else if (AggregateKind kind = AggregateAt(begin);
             kind != AggregateKind::kNone && SkipGroup(begin + 1) == end) {
    hint.aggregate = kind;
    const auto operand = ParseColumnOperand(begin + 2);
    if (operand && !operand->aggregated && operand->end + 1 == end) FillColumn(*operand, hint);
  } else if (ContainsAggregate(begin, end)) {
    hint.aggregate = AggregateKind::kOther;
  } else if (const auto operand = ParseColumnOperand(begin);
             operand && !operand->aggregated && operand->end == end) {
    hint.is_column = true;
    FillColumn(*operand, hint);
  }
  return hint;
}

AggregateKind Translator::AggregateAt(size_t i) const {
  if (i >= count() || !Op(i + 1, '(')) return AggregateKind::kNone;
  for (const auto& [name, kind] : kAggregates) {
    if (Lex(i).IsKeyword(name)) return kind;
  }
  return AggregateKind::kNone;
}

bool Translator::ContainsAggregate(size_t begin, size_t end) const {
  for (size_t i = begin; i < end; ++i) {
    if (Op(i, '(') && Keyword(i + 1, "SELECT")) {
      i = SkipGroup(i) - 1;
    } else if (AggregateAt(i) != AggregateKind::kNone) {
      return true;
    }
  }
  return false;
}

// UPDATE t [alias] SET c = e [, c2 = e2] [WHERE ...]: each e becomes orv_store(e, type, size).
void Translator::AnalyzeUpdate() {
  result_.kind = StatementKind::kUpdate;
  if (!IsName(1)) return;
  size_t i = ReadTableRef(1, result_.tables);
  if (!Keyword(i, "SET")) return;  // joins and the like are left to SQLite to refuse
  const std::string target = result_.tables.front().name;
  for (++i; i < count(); ++i) {
    const auto assigned = ParseReference(i);
    if (!assigned || !Op(assigned->end, '=')) return;
    const size_t expr_begin = assigned->end + 1;
    size_t expr_end = expr_begin;
    while (expr_end < count() && !Op(expr_end, ',') && !Keyword(expr_end, "WHERE")) {
      expr_end = SkipGroup(expr_end);
    }
    if (expr_end == expr_begin) return;
    tokens_[assigned->end].assignment = true;
    if (!assigned->qualifier.empty()) {
      tokens_[i].edit = Token::Edit::kDropKeepBlank;
      tokens_[i + 1].edit = Token::Edit::kDrop;
    }
    if (const auto facts = resolver_(target, assigned->column)) {
      Insert(expr_begin, false, "orv_store(");
      Insert(expr_end - 1, true,
             ", " + std::to_string(static_cast<int32_t>(facts->definition.type)) + ", " +
                 std::to_string(facts->definition.size) + ")");
    }
    i = expr_end;
    if (!Op(i, ',')) return;
  }
}

// INSERT INTO t (c1, c2, ...) VALUES (e1, e2, ...)[, (...)]: each e becomes
// orv_store(e, type, size) of its column, as an UPDATE's values do, so that a text or a
// number is stored as the column keeps it. Other forms go to SQLite as they are.
void Translator::AnalyzeInsert() {
  result_.kind = StatementKind::kInsert;
  if (!Keyword(1, "INTO") || !IsName(2)) return;
  size_t i = ReadTableRef(2, result_.tables);
  if (!Op(i, '(')) return;
  std::vector<std::optional<ColumnSpec>> columns;
  const std::string target = result_.tables.front().name;
  for (++i; i < count() && IsName(i); i += Op(i + 1, ',') ? 2 : 1) {
    const auto facts = resolver_(target, Name(i));
    columns.push_back(facts ? std::optional<ColumnSpec>(facts->definition) : std::nullopt);
  }
  if (!Op(i, ')') || !Keyword(i + 1, "VALUES")) return;
  for (i += 2; Op(i, '('); i += Op(i, ',') ? 1 : 0) {
    for (size_t column = 0; Op(i, '(') || Op(i, ','); ++column) {
      const size_t expr_begin = i + 1;
      size_t expr_end = expr_begin;
      while (expr_end < count() && !Op(expr_end, ',') && !Op(expr_end, ')')) {
        expr_end = SkipGroup(expr_end);
      }
      if (expr_end == expr_begin || expr_end >= count()) return;
      if (column < columns.size() && columns[column]) {
        Insert(expr_begin, false, "orv_store(");
        Insert(expr_end - 1, true,
               ", " + std::to_string(static_cast<int32_t>(columns[column]->type)) + ", " +
                   std::to_string(columns[column]->size) + ")");
      }
      i = expr_end;
      if (Op(i, ')')) {
        ++i;
        break;
      }
    }
  }
}

// DELETE [*|t.*] FROM t [WHERE ...]: SQLite takes no target list.
void Translator::AnalyzeDelete() {
  result_.kind = StatementKind::kDelete;
  const size_t from = ScanToKeyword(1, std::array<std::string_view, 1>{"FROM"});
  if (!Keyword(from, "FROM")) return;
  for (size_t i = 1; i < from; ++i) tokens_[i].edit = Token::Edit::kDrop;
  if (IsName(from + 1)) ReadTableRef(from + 1, result_.tables);
}

// ---- columns ---------------------------------------------------------------------------

std::optional<ColumnOperand> Translator::ParseColumnOperand(size_t i) const {
  std::optional<ColumnOperand> inner;
  if (Op(i, '(')) {
    inner = ParseColumnOperand(i + 1);
  } else if (KeywordIn(i, kScalePreservingAggregates) && Op(i + 1, '(')) {
    inner = ParseColumnOperand(i + 2);
    if (inner && inner->aggregated) return std::nullopt;
    if (inner) inner->aggregated = true;
  } else {
    return ParseReference(i);
  }
  if (!inner || !Op(inner->end, ')')) return std::nullopt;
  inner->begin = i;
  ++inner->end;
  return inner;
}

// A bare reference at i: name or qualifier.name, not followed by '(' or '.'.
std::optional<ColumnOperand> Translator::ParseReference(size_t i) const {
  if (!IsName(i)) return std::nullopt;
  ColumnOperand ref;
  ref.begin = ref.ref_begin = i;
  if (Op(i + 1, '.')) {
    if (!IsName(i + 2)) return std::nullopt;
    ref.qualifier = Name(i);
    ref.column = Name(i + 2);
    ref.end = i + 3;
  } else {
    ref.column = Name(i);
    ref.end = i + 1;
  }
  if (Op(ref.end, '(') || Op(ref.end, '.')) return std::nullopt;
  ref.ref_end = ref.end;
  return ref;
}

const TableRef* Translator::FindTable(std::string_view qualifier) const {
  for (const auto* list : {&result_.tables, &nested_tables_}) {
    for (const TableRef& table : *list) {
      if (SameName(table.alias, qualifier) || SameName(table.name, qualifier)) return &table;
    }
  }
  return nullptr;
}

std::optional<ResolvedColumn> Translator::Resolve(std::string_view qualifier,
                                                  std::string_view column) const {
  auto lookup = [&](std::string_view table) -> std::optional<ResolvedColumn> {
    if (auto facts = resolver_(table, column)) {
      return ResolvedColumn{std::string(table), facts->definition, facts->text_compared,
                            facts->indexed};
    }
    return std::nullopt;
  };
  if (!qualifier.empty()) {
    const TableRef* table = FindTable(qualifier);
    return lookup(table != nullptr ? std::string_view(table->name) : qualifier);
  }
  if (result_.tables.empty() && nested_tables_.empty()) return lookup({});
  for (const auto* list : {&result_.tables, &nested_tables_}) {
    for (const TableRef& table : *list) {
      if (auto found = lookup(table.name)) return found;
    }
  }
  return std::nullopt;
}

bool Translator::IsCurrency(const ColumnOperand& operand) const {
  const auto column = Resolve(operand);
  return column && column->definition.type == FieldType::kCurrency;
}

void Translator::FillColumn(const ColumnOperand& operand, SelectItemHint& hint) const {
  hint.column = operand.column;
  if (const auto column = Resolve(operand)) {
    hint.table = column->table;
  } else if (!operand.qualifier.empty()) {
    const TableRef* table = FindTable(operand.qualifier);
    hint.table = table != nullptr ? table->name : std::string(operand.qualifier);
  }
}

// ---- expression rewrites ---------------------------------------------------------------

void Translator::MarkExpressions() {
  for (size_t i = 0; i < count(); ++i) {
    if (!StartsCondition(i)) continue;
    if (const auto operand = ParseColumnOperand(i)) {
      MarkOperandUse(*operand);
    } else {
      MarkLiteralFirst(i);
    }
  }
}

// The numeric literals of WHERE and HAVING conditions become bound parameters, so that
// statements differing only in such numbers (a declaration number, typically) share one
// prepared statement. Select lists, FROM clauses, GROUP BY, ORDER BY and TOP keep their
// literals: there a number can mean a column position or a row limit.
void Translator::MarkParameters() {
  static constexpr std::string_view kConditions[] = {"WHERE", "HAVING"};
  static constexpr std::string_view kOtherClauses[] = {"SELECT", "FROM", "GROUP", "ORDER",
                                                       "UNION",  "TOP",  "LIMIT", "SET"};
  bool in_condition = false;
  for (size_t i = 0; i < count(); ++i) {
    if (KeywordIn(i, kConditions)) {
      in_condition = true;
    } else if (KeywordIn(i, kOtherClauses)) {
      in_condition = false;
    } else if (in_condition && Lex(i).kind == SqlTokenKind::kNumber &&
               Lex(i).text.find_first_of("eE") == std::string_view::npos) {
      tokens_[i].parameter = true;
    }
  }
}

// Whether an operand starting at i is not bound to anything before it by an operator.
bool Translator::StartsCondition(size_t i) const {
  return i == 0 || Op(i - 1, '(') || Op(i - 1, ',') || KeywordIn(i - 1, kConditionStarts);
}

// Whether the operand ending before i is not bound to anything after it.
bool Translator::EndsCondition(size_t i) const {
  return i >= count() || Op(i, ')') || Op(i, ',') || Op(i, ';') || KeywordIn(i, kConditionEnds);
}

// The index of the numeric literal at i, behind an optional sign; kNone when there is none.
size_t Translator::NumberAt(size_t i) const {
  if (Op(i, '-') || Op(i, '+')) ++i;
  return i < count() && Lex(i).kind == SqlTokenKind::kNumber ? i : kNone;
}

void Translator::MarkOperandUse(const ColumnOperand& operand) {
  const size_t next = operand.end;
  if (IsComparison(next) && !tokens_[next].assignment) {
    const size_t literal = NumberAt(next + 1);
    if (literal != kNone && EndsCondition(literal + 1) && IsCurrency(operand)) Scale(literal);
    return;
  }
  if (Keyword(next, "LIKE")) {
    NoteLikeCondition(operand, next);
    return;
  }
  const size_t word = Keyword(next, "NOT") ? next + 1 : next;
  if (Keyword(word, "BETWEEN")) {
    MarkBetween(operand, word);
  } else if (Keyword(word, "IN")) {
    MarkInList(operand, word);
  }
}

// literal <op> column
void Translator::MarkLiteralFirst(size_t i) {
  const size_t literal = NumberAt(i);
  if (literal == kNone || !IsComparison(literal + 1)) return;
  const auto operand = ParseColumnOperand(literal + 2);
  if (operand && EndsCondition(operand->end) && IsCurrency(*operand)) Scale(literal);
}

// column [NOT] BETWEEN low AND high
void Translator::MarkBetween(const ColumnOperand& operand, size_t between) {
  const size_t low = NumberAt(between + 1);
  if (low == kNone || !Keyword(low + 1, "AND")) return;
  const size_t high = NumberAt(low + 2);
  if (high == kNone || !EndsCondition(high + 1) || !IsCurrency(operand)) return;
  Scale(low);
  Scale(high);
}

// column [NOT] IN (n1, n2, ...)
void Translator::MarkInList(const ColumnOperand& operand, size_t in) {
  if (!Op(in + 1, '(')) return;
  std::vector<size_t> literals;
  size_t i = in + 2;
  for (;; i += 2) {
    const size_t literal = NumberAt(i);
    if (literal == kNone) return;
    literals.push_back(literal);
    i = literal;
    if (!Op(i + 1, ',')) break;
  }
  if (!Op(i + 1, ')') || !EndsCondition(i + 2) || !IsCurrency(operand)) return;
  for (size_t literal : literals) Scale(literal);
}

// column Like 'abc*' on a Text column: every value like() matches lies within bounds
// (column >= 'abc' AND column < 'abd', letter case ignored as like() ignores it), which an
// index on the column can search. The condition is noted here and rewritten by
// MarkLikeDisjunctions and MarkLikeBounds.
void Translator::NoteLikeCondition(const ColumnOperand& operand, size_t like) {
  const size_t pattern = like + 1;
  if (operand.aggregated || !IsStringLiteral(pattern) || !EndsCondition(pattern + 1)) return;
  LikeCondition condition;
  if (!LikePrefix(Lex(pattern), condition.prefix)) return;
  const auto column = Resolve(operand);
  if (!column || column->definition.type != FieldType::kText) return;
  condition.begin = operand.begin;
  condition.end = pattern + 1;
  condition.upper = condition.prefix;
  ++condition.upper.back();
  for (size_t i = operand.ref_begin; i < operand.ref_end; ++i) {
    AppendToken(i, condition.reference);
  }
  condition.column = *column;
  likes_.push_back(std::move(condition));
}

// A parenthesized disjunction of two or more noted Like conditions on one indexed column
// compared as text, (c Like 'p1*' Or c Like 'p2*' ...), is bounded as a whole:
// (c >= lowest AND c < highest AND (c Like 'p1*' Or c Like 'p2*' ...)). The bounds hold
// every bound of its conditions, so they hold every value one of them matches, and an
// index can then search the whole disjunction at once. Its conditions stay plain Likes.
void Translator::MarkLikeDisjunctions() {
  if (likes_.size() < 2) return;
  for (size_t open = 0; open < count(); ++open) {
    if (!Op(open, '(')) continue;
    const size_t close = SkipGroup(open) - 1;
    const std::vector<size_t> terms = DisjunctionOfLikes(open, close);
    if (terms.size() < 2) continue;
    const LikeCondition& first = likes_[terms.front()];
    std::string lower = first.prefix, upper = first.upper;
    for (size_t term : terms) {
      LikeCondition& like = likes_[term];
      like.grouped = true;
      if (NoCaseLess(like.prefix, lower)) lower = like.prefix;
      if (NoCaseLess(upper, like.upper)) upper = like.upper;
    }
    Insert(open, false, "(" + Bounds(first.reference, lower, upper) + " AND ");
    Insert(close, true, ")");
    open = close;
  }
}

// The noted Like conditions that the Or terms of the group (open, close) are, each perhaps
// in parentheses; empty unless every term is one, all on one column that is indexed and
// compared as text.
std::vector<size_t> Translator::DisjunctionOfLikes(size_t open, size_t close) const {
  std::vector<size_t> terms;
  size_t begin = open + 1;
  for (size_t i = begin; i <= close; i = SkipGroup(i)) {
    if (i < close && !Keyword(i, "OR")) continue;
    size_t term_begin = begin, term_end = i;
    while (Op(term_begin, '(') && SkipGroup(term_begin) == term_end) {
      ++term_begin;
      --term_end;
    }
    const size_t like = LikeSpanning(term_begin, term_end);
    if (like == kNone || likes_[like].grouped) return {};
    const LikeCondition& condition = likes_[like];
    if (!condition.column.indexed || !condition.column.text_compared ||
        condition.reference != likes_[terms.empty() ? like : terms.front()].reference) {
      return {};
    }
    terms.push_back(like);
    begin = i + 1;
    if (i == close) break;
  }
  return terms;
}

size_t Translator::LikeSpanning(size_t begin, size_t end) const {
  for (size_t i = 0; i < likes_.size(); ++i) {
    if (likes_[i].begin == begin && likes_[i].end == end) return i;
  }
  return kNone;
}

// The noted Like conditions not bounded with a disjunction. One on an indexed column
// compared as text whose bounds are exact (no letter in them: the values within are then
// exactly those that start with the prefix) becomes its bounds alone,
// (c >= 'p' AND c < 'q'); any other keeps the Like after its bounds,
// (c Like 'p*' AND c >= 'p' AND c < 'q').
void Translator::MarkLikeBounds() {
  for (const LikeCondition& like : likes_) {
    if (like.grouped) continue;
    const std::string bounds = Bounds(like.reference, like.prefix, like.upper);
    if (like.column.indexed && like.column.text_compared && !HasLetter(like.prefix) &&
        !HasLetter(like.upper)) {
      for (size_t i = like.begin; i < like.end; ++i) tokens_[i].edit = Token::Edit::kDrop;
      tokens_[like.begin].edit = Token::Edit::kDropKeepBlank;
      Insert(like.begin, false, "(" + bounds + ")");
    } else {
      Insert(like.begin, false, "(");
      Insert(like.end - 1, true, " AND " + bounds + ")");
    }
  }
}

std::string Translator::Bounds(const std::string& reference, const std::string& lower,
                               const std::string& upper) const {
  std::string bounds;
  bounds.reserve(2 * reference.size() + lower.size() + upper.size() + 48);
  bounds.append(reference).append(" >= ").append(QuoteText(lower));
  bounds.append(" COLLATE NOCASE AND ").append(reference).append(" < ").append(QuoteText(upper));
  bounds.append(" COLLATE NOCASE");
  return bounds;
}

// ---- output ----------------------------------------------------------------------------

void Translator::Emit() {
  // Insertions at one token: those before it in the order made (outer constructs are
  // marked first), those after it in reverse order, so nested constructs close inside out.
  std::stable_sort(insertions_.begin(), insertions_.end(), [](const auto& a, const auto& b) {
    return a.token != b.token ? a.token < b.token : a.after < b.after;
  });
  size_t extra = limit_.size() + 8;
  for (const Insertion& insertion : insertions_) extra += insertion.text.size();
  std::string& out = result_.sql;
  out.reserve(sql_.size() + extra + sql_.size() / 8);
  std::vector<size_t> starts(count() + 1), ends(count() + 1);
  size_t next = 0;  // next insertion
  for (size_t i = 0; i < count(); ++i) {
    const Token& token = tokens_[i];
    if (token.edit != Token::Edit::kDrop) out.append(token.leading);
    starts[i] = out.size();
    for (; next < insertions_.size() && insertions_[next].token == i && !insertions_[next].after;
         ++next) {
      out.append(insertions_[next].text);
    }
    if (token.edit != Token::Edit::kDrop && token.edit != Token::Edit::kDropKeepBlank) {
      AppendToken(i, out);
    }
    size_t last = next;
    while (last < insertions_.size() && insertions_[last].token == i) ++last;
    for (size_t k = last; k > next; --k) out.append(insertions_[k - 1].text);
    next = last;
    ends[i] = out.size();
  }
  starts[count()] = ends[count()] = out.size();
  if (!limit_.empty()) out.append(" LIMIT ").append(limit_);
  if (list_begin_ != kNone) {
    SetRange(list_begin_, list_end_, starts, ends, result_.select_list_begin,
             result_.select_list_end);
  }
  if (from_begin_ != kNone) {
    SetRange(from_begin_, from_end_, starts, ends, result_.from_begin, result_.from_end);
  }
}

void Translator::SetRange(size_t begin, size_t end, const std::vector<size_t>& starts,
                          const std::vector<size_t>& ends, size_t& out_begin,
                          size_t& out_end) const {
  if (begin >= end) {
    out_begin = out_end = starts[end];
    return;
  }
  out_begin = starts[begin];
  out_end = ends[end - 1];
}

void Translator::AppendToken(size_t i, std::string& out) {
  const Token& token = tokens_[i];
  const SqlToken& lex = token.lex;
  switch (lex.kind) {
    case SqlTokenKind::kIdentifier:
      AppendIdentifier(i, out);
      break;
    case SqlTokenKind::kBracketed:
      AppendQuotedName(lex.Inner(), out);
      break;
    case SqlTokenKind::kDoubleQuoted:
      AppendDoubleQuotedText(lex.Inner(), out);
      break;
    case SqlTokenKind::kDate:
      AppendDateLiteral(lex, out);
      break;
    case SqlTokenKind::kNumber: {
      std::string number;
      if (token.edit == Token::Edit::kScaleCurrency) {
        AppendScaledNumber(lex.text, number);
      } else {
        number.assign(lex.text);
      }
      if (token.parameter) {
        result_.parameters.push_back(std::move(number));
        result_.parameter_sources.push_back(
            {token.number, token.edit == Token::Edit::kScaleCurrency});
        AppendSafe(out, "?" + std::to_string(result_.parameters.size()));
      } else {
        AppendSafe(out, number);
      }
      break;
    }
    case SqlTokenKind::kOperator:
      AppendSafe(out, lex.Is('&') ? std::string_view("||") : lex.text);
      break;
    default:
      AppendSafe(out, lex.text);
      break;
  }
}

void Translator::AppendIdentifier(size_t i, std::string& out) const {
  const SqlToken& lex = Lex(i);
  const bool member = (i > 0 && Op(i - 1, '.')) || Op(i + 1, '.');
  if (!member && lex.IsKeyword("TRUE")) {
    AppendSafe(out, "-1");
  } else if (!member && lex.IsKeyword("FALSE")) {
    AppendSafe(out, "0");
  } else if (IsAnyKeyword(lex, kSqliteOnlyReserved) ||
             ((lex.IsKeyword("LEFT") || lex.IsKeyword("RIGHT")) && Op(i + 1, '('))) {
    AppendQuotedName(lex.text, out);
  } else {
    out.append(lex.text);
  }
}

}  // namespace

TranslatedStatement TranslateSql(std::string_view dialect_sql, const ColumnResolver& resolver) {
  return Translator(dialect_sql, resolver).Run();
}

std::string ScaleCurrencyLiteral(std::string_view number) {
  std::string out;
  AppendScaledNumber(number, out);
  return out;
}

std::string QuoteText(std::string_view text) { return "'" + DoubleQuotes(text) + "'"; }

}  // namespace orvalis::engine
