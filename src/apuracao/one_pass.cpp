// The one-pass apuração. The sum fields are answered from two grouped queries: the CFOP
// details of the declaration summed by the first digit of their CFOP, and its
// occurrences summed by the first three characters of their sub-item code and their kind
// of operation; each field adds up the groups its selection names (icms_fields.h). The
// stored values come from one read of the header row with the members' own statement,
// the payment totals from one query grouped by kind. Guards, money texts and composites
// are the members' rules (icms_rules.h); where the members' statements decide the
// outcome, the members themselves are asked.
#include "apuracao/one_pass.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "apuracao/icms_rules.h"
#include "orvalis/corrige_converte_db.h"
#include "orvalis/error.h"
#include "orvalis/object.h"

namespace orvalis::apuracao {
namespace {

// What a member gives: its value, or the error it raises.
struct Outcome {
  Variant value;
  std::optional<Error> error;
};

template <class Work>
Outcome Capture(Work&& work) {
  try {
    return {Variant(work()), std::nullopt};
  } catch (const Error& error) {
    return {Variant(), error};
  }
}

const Variant& ValueOrRaise(const Outcome& outcome) {
  if (outcome.error) throw *outcome.error;
  return outcome.value;
}

// Whether "NroVEK=" followed by `text` compares the number with a whole number, as the
// grouped queries do; any other text makes the members' statements the judge.
bool IsWholeNumber(std::string_view text) {
  if (text.starts_with('-')) text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The column that a SELECT fragment sums, without its table: "Imposto" for
// "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] ".
std::string_view SummedColumn(std::string_view select) {
  constexpr std::string_view kSum = "Sum(";
  const size_t begin = select.find(kSum) + kSum.size();
  std::string_view column = select.substr(begin, select.find(')', begin) - begin);
  const size_t dot = column.rfind('.');
  return dot == std::string_view::npos ? column : column.substr(dot + 1);
}

// A table whose rows the sum fields select by a prefix of one text column.
struct GroupedTable {
  std::string_view table;
  std::string_view text_column;
  size_t prefix_length;
  bool by_kind;  // grouped by OpPróprias too, keeping only the rows it says True or False of
};

constexpr GroupedTable kCfopTable{"tblDetalhesCFOPs", "CFOP", kCfopPrefixLength, false};
constexpr GroupedTable kOccurrenceTable{"tblOcorrências", "CódSubItem", kSubItemPrefixLength, true};
constexpr std::string_view kBothKinds = " AND (OpPróprias=True Or OpPróprias=False)";

const GroupedTable& TableOf(SumSource source) {
  return source == SumSource::kCfops ? kCfopTable : kOccurrenceTable;
}

// The rows of one declaration that share a prefix (and a kind of operation): the sum of
// each summed column.
struct Group {
  std::string prefix;
  bool own = false;
  std::vector<Variant> sums;
};

// The grouped sums of the declaration `number` (a whole number's text).
std::vector<Group> ReadGroups(Database& db, const GroupedTable& t,
                              const std::vector<std::string_view>& columns,
                              const std::string& number) {
  const std::string prefix =
      Join({"Left(", t.text_column, ",", std::to_string(t.prefix_length), ")"});
  std::string sql = Join({"SELECT ", prefix, " AS Prefixo", t.by_kind ? ", OpPróprias" : ""});
  for (size_t i = 0; i < columns.size(); ++i) {
    sql += Join({", Sum(", columns[i], ") AS Soma", std::to_string(i)});
  }
  sql += Join({" FROM ", t.table, " WHERE NroVEK=", number, t.by_kind ? kBothKinds : "",
               " GROUP BY ", prefix, t.by_kind ? ", OpPróprias" : ""});
  std::vector<Group> groups;
  for (auto rs = db.OpenRecordset(sql); !rs->IsEof(); rs->MoveNext()) {
    const Variant prefix_value = rs->GetValue(0);
    if (prefix_value.IsNull()) continue;  // no text: no Like matches it
    Group& group = groups.emplace_back();
    group.prefix = ToText(prefix_value);
    group.own = t.by_kind && ToBoolean(rs->GetValue(1));
    const int32_t first_sum = t.by_kind ? 2 : 1;
    for (size_t i = 0; i < columns.size(); ++i) {
      group.sums.push_back(rs->GetValue(first_sum + static_cast<int32_t>(i)));
    }
  }
  return groups;
}

// The groups of one table with the columns they sum; nothing when the query failed.
struct TableSums {
  std::vector<std::string_view> columns;
  std::optional<std::vector<Group>> groups;
};

// The payments of one declaration of one kind.
struct PaymentGroup {
  bool own;
  Variant sum;
  Variant count;
};

constexpr std::string_view kPaymentsSelect =
    "SELECT OpPróprias, Sum(Valor) AS SomaDeValor, count(NroVEK) AS total FROM tblPagamento "
    "WHERE NroVEK=";
constexpr std::string_view kPaymentsGroup = " GROUP BY NroVEK, OpPróprias";

std::vector<PaymentGroup> ReadPayments(Database& db, const std::string& number) {
  std::vector<PaymentGroup> groups;
  auto rs = db.OpenRecordset(Join({kPaymentsSelect, number, kBothKinds, kPaymentsGroup}));
  for (; !rs->IsEof(); rs->MoveNext()) {
    groups.push_back({ToBoolean(rs->GetValue("OpPróprias")), rs->GetValue("SomaDeValor"),
                      rs->GetValue("total")});
  }
  return groups;
}

class OnePass {
 public:
  explicit OnePass(ICMS& icms)
      : icms_(icms), db_(icms.database().get()), outcomes_(FieldTable().size()) {}

  std::vector<ApuracaoField> Run() {
    if (db_ != nullptr) {
      const Outcome number = Capture([] { return NumberText(); });
      by_members_ = number.error || !IsWholeNumber(number.value.string_value());
      if (!by_members_) number_ = number.value.string_value();
    }
    std::vector<ApuracaoField> fields;
    for (FieldId id : ReportedFields()) {
      const Outcome& outcome = Resolve(id);
      fields.push_back({Field(id).name, outcome.value, outcome.error});
    }
    return fields;
  }

 private:
  const Outcome& Resolve(FieldId id) {
    std::optional<Outcome>& slot = outcomes_[static_cast<size_t>(id)];
    if (!slot) slot = by_members_ ? ByMember(id) : Compute(id);
    return *slot;
  }

  Outcome Compute(FieldId id) {
    const Descriptor& descriptor = Field(id).descriptor;
    if (const auto* field = std::get_if<SumField>(&descriptor)) return Sum(id, *field);
    if (const auto* field = std::get_if<StoredField>(&descriptor)) return Stored(*field);
    if (const auto* field = std::get_if<PaymentTotal>(&descriptor)) return Payment(id, *field);
    if (const auto* field = std::get_if<CompositeField>(&descriptor)) {
      return Capture([&] {
        return CompositeOf(*field, [this](FieldId part) { return ValueOrRaise(Resolve(part)); });
      });
    }
    return {};  // a write-back: not reported
  }

  // The member itself, through the late-bound interface.
  Outcome ByMember(FieldId id) {
    return Capture([&] { return Invoke(icms_, Field(id).name, InvokeKind::kMethod, {}); });
  }

  Outcome Sum(FieldId id, const SumField& field) {
    if (db_ == nullptr) return {};
    if (field.requires_settings_database) {
      const Outcome& guard = SettingsDatabaseGuard();
      if (guard.error) return guard;
      if (!guard.value.boolean_value()) return {};
    }
    const std::optional<std::string_view> select = KnownSelect(field);
    if (!select) return ReferencePeriod();  // its error
    const TableSums& sums = SumsOf(field.selection.source);
    if (!sums.groups) return ByMember(id);
    const size_t column = static_cast<size_t>(
        std::find(sums.columns.begin(), sums.columns.end(), SummedColumn(*select)) -
        sums.columns.begin());
    Outcome outcome = Capture([&] { return AddUp(field.selection, *sums.groups, column); });
    return outcome.error ? ByMember(id) : outcome;  // an overflow: the engine's own sum decides
  }

  // "0,00" when no group of the selection has a sum, else the money text of their total.
  static Variant AddUp(const SumSelection& selection, const std::vector<Group>& groups,
                       size_t column) {
    const auto* prefixes_end = selection.prefixes.begin() + selection.prefix_count;
    const bool own = selection.source == SumSource::kOwnOccurrences;
    std::optional<Currency> total;
    for (const Group& group : groups) {
      if (std::find(selection.prefixes.begin(), prefixes_end, group.prefix) == prefixes_end ||
          (selection.source != SumSource::kCfops && group.own != own) ||
          group.sums[column].IsNull()) {
        continue;
      }
      total = total.value_or(Currency()) + ToCurrency(group.sums[column]);
    }
    return total ? SumText(Variant(*total)) : Variant(kZeroMoney);
  }

  // The SELECT fragment the field uses now; nothing when the reference period, which it
  // depends on, cannot be read.
  std::optional<std::string_view> KnownSelect(const SumField& field) {
    if (!ChoosesByPeriod(field)) return field.select;
    const Outcome& period = ReferencePeriod();
    if (period.error) return std::nullopt;
    return SelectFor(field, ToInteger(period.value));
  }

  const TableSums& SumsOf(SumSource source) {
    const bool cfops = source == SumSource::kCfops;
    std::optional<TableSums>& sums = cfops ? cfop_sums_ : occurrence_sums_;
    if (sums) return *sums;
    sums.emplace();
    for (const FieldEntry& entry : FieldTable()) {
      const auto* field = std::get_if<SumField>(&entry.descriptor);
      if (field == nullptr || (field->selection.source == SumSource::kCfops) != cfops) continue;
      const std::optional<std::string_view> select = KnownSelect(*field);
      if (!select) continue;
      const std::string_view column = SummedColumn(*select);
      if (std::find(sums->columns.begin(), sums->columns.end(), column) == sums->columns.end()) {
        sums->columns.push_back(column);
      }
    }
    try {
      sums->groups = ReadGroups(*db_, TableOf(source), sums->columns, number_);
    } catch (const Error&) {
      sums->groups.reset();  // the members' own statements decide
    }
    return *sums;
  }

  Outcome Stored(const StoredField& field) {
    if (db_ == nullptr || IsMinusOne(CurrentNumber())) return {};
    if (!header_) header_ = ReadHeader();
    for (const auto& [column, outcome] : *header_) {
      if (column == field.column) return outcome;
    }
    return {};
  }

  // Every stored column of the header row, read with the members' own statement: the
  // statement's failure is each column's, a missing column only its own.
  std::vector<std::pair<std::string_view, Outcome>> ReadHeader() {
    std::vector<std::pair<std::string_view, Outcome>> columns;
    std::shared_ptr<Recordset> rs;
    const Outcome opened = Capture([&] {
      rs = db_->OpenRecordset(HeaderStatement());
      return Variant();
    });
    for (const FieldEntry& entry : FieldTable()) {
      const auto* field = std::get_if<StoredField>(&entry.descriptor);
      if (field == nullptr) continue;
      columns.emplace_back(field->column, opened.error ? opened : Capture([&] {
                             return StoredText(rs->IsEof()
                                                   ? std::nullopt
                                                   : std::optional(rs->GetValue(field->column)));
                           }));
    }
    if (rs) rs->Close();
    return columns;
  }

  Outcome Payment(FieldId id, const PaymentTotal& field) {
    if (db_ == nullptr || IsMinusOne(CurrentNumber())) return {};
    if (!payments_) {
      try {
        payments_ = ReadPayments(*db_, number_);
      } catch (const Error&) {
        payments_failed_ = true;
      }
    }
    if (payments_failed_) return ByMember(id);
    std::optional<Variant> value;
    for (const PaymentGroup& group : *payments_) {
      if (group.own == field.own_operations) value = field.is_count ? group.count : group.sum;
    }
    return {PaymentValue(value, field.is_count), std::nullopt};
  }

  const Outcome& ReferencePeriod() {
    if (!reference_period_) {
      reference_period_ = Capture([] { return Variant::Integer(database::RefData()); });
    }
    return *reference_period_;
  }

  const Outcome& SettingsDatabaseGuard() {
    if (!settings_database_) {
      settings_database_ = Capture([this] { return Variant(IsSettingsDatabase(db_)); });
    }
    return *settings_database_;
  }

  ICMS& icms_;
  Database* db_;
  bool by_members_ = false;
  std::string number_;
  std::vector<std::optional<Outcome>> outcomes_;  // by FieldId
  std::optional<Outcome> reference_period_;
  std::optional<Outcome> settings_database_;
  std::optional<TableSums> cfop_sums_;
  std::optional<TableSums> occurrence_sums_;
  std::optional<std::vector<std::pair<std::string_view, Outcome>>> header_;
  std::optional<std::vector<PaymentGroup>> payments_;
  bool payments_failed_ = false;
};

std::vector<FieldId> ListReportedFields() {
  std::vector<FieldId> ids;
  for (const FieldEntry& entry : FieldTable().first(InterfaceFieldCount())) {
    if (!std::holds_alternative<WriteBack>(entry.descriptor)) ids.push_back(entry.id);
  }
  return ids;
}

}  // namespace

std::span<const FieldId> ReportedFields() {
  static const std::vector<FieldId> ids = ListReportedFields();
  return ids;
}

std::vector<ApuracaoField> ComputeInOnePass(ICMS& icms) { return OnePass(icms).Run(); }

}  // namespace orvalis::apuracao
