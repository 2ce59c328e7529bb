// Apuracao: the one pass gives, field by field, what the ICMS members give (value and
// kind, or error number and description) on many generated declarations and in the error
// cases, with the handful of statements it promises, typed and late-bound.
#include "orvalis/apuracao.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "apuracao/icms_fixture.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/error.h"

namespace orvalis {
namespace {

using testing::ErrorOf;

// A field's outcome as comparable text: its kind and value, or its error.
std::string Describe(const ApuracaoField& field) {
  if (field.error) {
    return "error " + std::to_string(field.error->number()) + ": " + field.error->description();
  }
  const Variant& value = field.value;
  std::string text(KindName(value.kind()));
  if (value.IsString()) return text + " '" + value.string_value() + "'";
  if (value.kind() == VariantKind::kCurrency) {
    return text + " " + std::to_string(value.currency_value().raw());
  }
  return value.IsEmpty() || value.IsNull() ? text : text + " " + ToText(value);
}

// What each member that Apuracao answers gives when called on `icms`, by late binding.
std::vector<ApuracaoField> MemberOutcomes(ICMS& icms) {
  std::vector<ApuracaoField> outcomes;
  const Apuracao names;
  for (const ApuracaoField& field : names.Campos()) {
    ApuracaoField& outcome = outcomes.emplace_back(ApuracaoField{field.name, {}, {}});
    try {
      outcome.value = Invoke(icms, field.name, InvokeKind::kMethod, {});
    } catch (const Error& error) {
      outcome.error = error;
    }
  }
  return outcomes;
}

class ApuracaoTest : public IcmsFixture {
 public:
  // Both objects bound the same way.
  void LetNroVEK(const Variant& number) {
    icms_.LetNroVEK(number);
    apuracao_.LetNroVEK(number);
  }
  void DBIndex(const std::string& path) {
    icms_.DBIndex(path);
    apuracao_.DBIndex(path);
  }

  // Computes the one pass and compares every field with its member; returns the fields.
  std::span<const ApuracaoField> ExpectSameAsMembers(const std::string& context) {
    apuracao_.Calcula();
    const std::vector<ApuracaoField> members = MemberOutcomes(icms_);
    const auto fields = apuracao_.Campos();
    EXPECT_EQ(fields.size(), 31u);
    for (size_t i = 0; i < fields.size(); ++i) {
      EXPECT_EQ(Describe(fields[i]), Describe(members[i])) << fields[i].name << ", " << context;
    }
    return fields;
  }

  Apuracao apuracao_;
};

// ---- many generated declarations -------------------------------------------------------

// Random declarations: CFOP details with any first character, occurrences with sub-items
// around the selected prefixes, both kinds of operation, Nulls everywhere a value can be
// Null, four-decimal amounts (rounding), large balances (clamps), and payments.
class DeclarationGenerator {
 public:
  DeclarationGenerator(Database& db, uint32_t seed)
      : random_(seed),
        headers_(db.OpenRecordset("tblVEK")),
        cfops_(db.OpenRecordset("tblDetalhesCFOPs")),
        occurrences_(db.OpenRecordset("tblOcorrências")),
        payments_(db.OpenRecordset("tblPagamento")) {}

  int32_t Add() {
    headers_->AddNew();
    headers_->SetValue("IE", "110042490114");
    headers_->SetValue("Ref1", Date::FromYmd(2004, 3, 1));
    for (const char* column :
         {"SaldoCredAntDig", "SaldoCredAntDigST", "ICMSFixPerRES", "OutrasRES"}) {
      headers_->SetValue(column, Amount(8));
    }
    headers_->Update();
    headers_->SetBookmark(headers_->LastModified());
    const int32_t number = ToLong(headers_->GetValue("NroVEK"));
    std::set<std::string> codes;
    for (int i = Below(8); i > 0; --i) codes.insert(CfopCode());
    for (const std::string& code : codes) {
      AddRow(*cfops_, {{"NroVEK", number},
                       {"CFOP", code},
                       {"Imposto", Amount(6)},
                       {"ImpostoRetidoST", Amount(4)},
                       {"ImpRetSubstitutoST", Amount(4)}});
    }
    static const char* kSubItems[] = {"002", "002.01", "003", "003.99", "007", "007.1",
                                      "008", "008.10", "014", "014.02", "001", "0020",
                                      "02",  "1002",   "140", ""};
    for (int i = Below(9); i > 0; --i) {
      const Variant sub_item = Below(20) == 0 ? Variant::Null() : Variant(kSubItems[Below(16)]);
      AddRow(*occurrences_, {{"NroVEK", number},
                             {"CódSubItem", sub_item},
                             {"Valor", Amount(5)},
                             {"OpPróprias", Below(2) == 0}});
    }
    for (int i = Below(4); i > 0; --i) {
      AddRow(*payments_, {{"NroVEK", number}, {"OpPróprias", Below(2) == 0}, {"Valor", Amount(5)}});
    }
    return number;
  }

 private:
  int Below(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }

  // Null one time in `null_odds`; otherwise an amount in ten-thousandths, now and then
  // negative or large enough to outweigh the others.
  Variant Amount(int null_odds) {
    if (Below(null_odds) == 0) return Variant::Null();
    int64_t raw = static_cast<int64_t>(random_() % 100'000'000);  // up to 10.000,0000
    if (Below(10) == 0) raw *= 1000;
    if (Below(6) == 0) raw = -raw;
    return Variant(Currency::FromRaw(raw));
  }

  std::string CfopCode() {
    static const char kFirst[] = "01234567789x";
    std::string code(1, kFirst[Below(12)]);
    for (int i = Below(5); i > 0; --i) code += static_cast<char>('0' + Below(10));
    return code;
  }

  static void AddRow(Recordset& rs, std::vector<std::pair<const char*, Variant>> values) {
    rs.AddNew();
    for (const auto& [column, value] : values) rs.SetValue(column, value);
    rs.Update();
  }

  std::mt19937 random_;
  std::shared_ptr<Recordset> headers_, cfops_, occurrences_, payments_;
};

TEST_F(ApuracaoTest, EqualsTheMembersOnAThousandGeneratedDeclarations) {
  constexpr int kDeclarations = 1000;
  constexpr uint32_t kSeed = 20240613;
  std::vector<int32_t> numbers;
  {
    DeclarationGenerator generator(*db_, kSeed);
    for (int i = 0; i < kDeclarations; ++i) numbers.push_back(generator.Add());
  }
  // The reference period before, at and after the cut-over month.
  const std::pair<const char*, const char*> kPeriods[] = {
      {"03/2004", "05/2004"}, {"05/2004", "05/2004"}, {"07/2004", "05/2004"}};
  std::map<std::string, int> seen;  // how often a field gave a telling value
  for (int i = 0; i < kDeclarations; ++i) {
    SetReference(kPeriods[i % 3].first, kPeriods[i % 3].second);
    LetNroVEK(numbers[i]);
    for (const ApuracaoField& field : ExpectSameAsMembers("declaration " + std::to_string(i))) {
      if (field.value == Variant("0,00 ")) ++seen[std::string(field.name) + " clamped"];
      if (field.value == Variant("0,00")) ++seen[std::string(field.name) + " zero"];
      if (field.value.IsEmpty()) ++seen[std::string(field.name) + " empty"];
    }
    if (HasFailure()) break;
  }
  // The generated figures reach every rule: clamps, zero sums, missing payments.
  for (const char* telling :
       {"Campo063ICMS clamped", "Campo063IcmsST11 clamped", "Campo065IcmsST11 clamped",
        "Campo066IcmsST11 clamped", "Campo051IcmsST11 zero", "Campo064IcmsRPA zero",
        "Campo061ICMS zero", "PagamentosICMS empty", "PagamentosICMS_ST empty"}) {
    EXPECT_GT(seen[telling], 10) << telling;
  }
}

// ---- error cases -----------------------------------------------------------------------

// A state of the binding, the number, the settings or the file, arranged on both objects
// (after binding them to the declaration with `bound`).
struct StateCase {
  const char* name;
  bool bound;
  std::function<void(ApuracaoTest&)> arrange;
};

const StateCase kStateCases[] = {
    {"NeverBound", false, [](ApuracaoTest&) {}},
    {"NumberNeverSet", false, [](ApuracaoTest& t) { t.DBIndex(t.path_); }},
    {"NumberMinusOne", false, [](ApuracaoTest& t) { t.LetNroVEK(-1); }},
    {"NumberMinusOneAsText", false, [](ApuracaoTest& t) { t.LetNroVEK("-1"); }},
    {"NumberAsText", false, [](ApuracaoTest& t) { t.LetNroVEK(std::to_string(t.vek_)); }},
    {"TextThatIsNoNumber", false, [](ApuracaoTest& t) { t.LetNroVEK("abc"); }},
    {"Fraction", false, [](ApuracaoTest& t) { t.LetNroVEK(1.5); }},
    {"Boolean", false, [](ApuracaoTest& t) { t.LetNroVEK(true); }},
    {"Null", false, [](ApuracaoTest& t) { t.LetNroVEK(Variant::Null()); }},
    {"NoHeaderRow", false, [](ApuracaoTest& t) { t.LetNroVEK(t.vek_ + 100); }},
    {"UnreadableReferencePeriod", true, [](ApuracaoTest& t) { t.SetReference("", "05/2004"); }},
    {"CurrentFileNotOpen", true,
     [](ApuracaoTest& t) { ThisThread().icms_database_name = t.dir_.File("closed.mdb"); }},
    {"BoundToAnotherFileThanTheCurrentOne", true,
     [](ApuracaoTest& t) { t.DBIndex(t.OpenNewFile("other.mdb")); }},
    {"NoPaymentTable", true,
     [](ApuracaoTest& t) {
       t.db_->DeleteRelation("VEKPagamento");
       t.db_->Execute("DROP TABLE tblPagamento");
     }},
    {"FileClosedUnderTheObjects", true, [](ApuracaoTest& t) { t.db_->Close(); }},
};

class ApuracaoStateTest : public ApuracaoTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(ApuracaoStateTest, GivesWhatTheMembersGiveOrRaise) {
  FillDeclaration();
  if (GetParam().bound) LetNroVEK(vek_);
  GetParam().arrange(*this);
  ExpectSameAsMembers(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(States, ApuracaoStateTest, ::testing::ValuesIn(kStateCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApuracaoTest, AFailingFieldLeavesTheOthersReadable) {
  FillDeclaration();
  SetReference("", "05/2004");
  LetNroVEK(vek_);
  apuracao_.Calcula();
  EXPECT_EQ(ErrorOf([&] { apuracao_.Campo051IcmsST11(); }), 13);
  EXPECT_EQ(ErrorOf([&] { apuracao_.Campo066IcmsST11(); }), 13);
  EXPECT_EQ(apuracao_.Campo052IcmsST11(), Variant("12,00"));
  EXPECT_EQ(apuracao_.Campo051ICMS(), Variant("600,00"));
}

// ---- statements, binding and late binding ----------------------------------------------

TEST_F(ApuracaoTest, SendsOneQueryPerTableForDeclaration12) {
  std::vector<std::string> sent;
  db_->SetStatementTrace([&](std::string_view sql) { sent.emplace_back(sql); });
  LetNroVEK(12);
  apuracao_.Calcula();
  SetReference("05/2004", "05/2004");
  LetNroVEK(-1);  // no header row and no payments to read
  apuracao_.Calcula();
  const std::string occurrences =
      "SELECT Left(CódSubItem,3) AS Prefixo, OpPróprias, Sum(Valor) AS Soma0 FROM "
      "tblOcorrências WHERE NroVEK=";
  const std::string kinds =
      " AND (OpPróprias=True Or OpPróprias=False) GROUP BY Left(CódSubItem,3), OpPróprias";
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "SELECT Left(CFOP,1) AS Prefixo, Sum(Imposto) AS Soma0, "
                      "Sum(ImpostoRetidoST) AS Soma1 FROM tblDetalhesCFOPs WHERE NroVEK=12 "
                      "GROUP BY Left(CFOP,1)",
                      occurrences + "12" + kinds,
                      "Select * from tblVEK Where NroVEK=12",
                      "SELECT OpPróprias, Sum(Valor) AS SomaDeValor, count(NroVEK) AS total FROM "
                      "tblPagamento WHERE NroVEK=12 AND (OpPróprias=True Or OpPróprias=False) "
                      "GROUP BY NroVEK, OpPróprias",
                      "SELECT Left(CFOP,1) AS Prefixo, Sum(Imposto) AS Soma0, "
                      "Sum(ImpRetSubstitutoST) AS Soma1 FROM tblDetalhesCFOPs WHERE NroVEK=-1 "
                      "GROUP BY Left(CFOP,1)",
                      occurrences + "-1" + kinds,
                  }));
}

TEST_F(ApuracaoTest, KeepsWhatCalculaFoundUntilTheNextCalcula) {
  EXPECT_TRUE(apuracao_.Campo051ICMS().IsEmpty());  // before the first Calcula
  AddCfop("5101", 100);
  LetNroVEK(vek_);
  apuracao_.Calcula();
  AddCfop("5102", 50);
  EXPECT_EQ(apuracao_.Campo051ICMS(), Variant("100,00"));
  apuracao_.Calcula();
  EXPECT_EQ(apuracao_.Campo051ICMS(), Variant("150,00"));
  EXPECT_EQ(apuracao_.NroVEK(), Variant(vek_));
  EXPECT_EQ(apuracao_.database(), db_);
}

TEST_F(ApuracaoTest, LateBoundFieldsAreReadOnlyPropertiesInInterfaceOrder) {
  FillDeclaration();
  auto object = CreateObject("Orvalis.Apuracao");
  std::string expected = "DBIndex NroVEK Calcula";
  for (const ApuracaoField& field : apuracao_.Campos()) expected += " " + std::string(field.name);
  EXPECT_EQ(testing::MemberNames(*object), expected);

  LetProperty(*object, "nrovek", vek_);
  Invoke(*object, "calcula", InvokeKind::kMethod, {});
  LetNroVEK(vek_);
  apuracao_.Calcula();
  for (const ApuracaoField& field : apuracao_.Campos()) {
    EXPECT_EQ(GetProperty(*object, field.name), field.Get()) << field.name;
  }
  EXPECT_EQ(ErrorOf([&] { LetProperty(*object, "Campo051ICMS", "1"); }), 450);
  SetReference("", "05/2004");
  Invoke(*object, "Calcula", InvokeKind::kMethod, {});
  EXPECT_EQ(ErrorOf([&] { GetProperty(*object, "Campo056IcmsST11"); }), 13);
}

}  // namespace
}  // namespace orvalis
