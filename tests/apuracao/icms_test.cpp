// ICMS: what apuracao_test's comparison with the one pass cannot see: each field's value
// on a declaration made for it, the column the reference period chooses, the binding and
// the shared declaration number, the guards, the write-backs, the quiet failures and the
// statements sent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apuracao/icms_fixture.h"
#include "database/module_state.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/icms.h"
#include "orvalis/settings.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

using Member = Variant (ICMS::*)();
using testing::ErrorOf;

class IcmsTest : public IcmsFixture {};

// ---- the fields ------------------------------------------------------------------------

// The fixture's full declaration, rows of another declaration that no field may count,
// and a declaration holding only Null amounts.
class IcmsFieldsTest : public IcmsTest {
 protected:
  void SetUp() override {
    IcmsTest::SetUp();
    FillDeclaration();
    const int32_t other = AddDeclaration();
    nulls_ = AddDeclaration();
    AddCfop("5101", "9000", "9000", "9000", other);
    for (const char* sub_item : {"002.01", "003", "007.1", "008.9", "014.01"}) {
      AddOccurrence(sub_item, 9000, true, nullptr, other);
    }
    AddCfop("5101", Variant::Null(), Variant::Null(), Variant::Null(), nulls_);
    AddCfop("1101", Variant::Null(), Variant::Null(), Variant::Null(), nulls_);
    for (bool own : {true, false}) AddOccurrence("014", Variant::Null(), own, nullptr, nulls_);
  }

  int32_t nulls_ = 0;
};

struct FieldCase {
  const char* name;
  Member member;
  Variant expected;
  Variant without_amounts = Variant("0,00");  // no rows, or only Null amounts
};

// Before the cut-over: 051 ST and 056 ST sum ImpostoRetidoST.
const FieldCase kFieldCases[] = {
    {"Campo051ICMS", &ICMS::Campo051ICMS, "600,00"},
    {"Campo052ICMS", &ICMS::Campo052ICMS, "11,00"},
    {"Campo053ICMS", &ICMS::Campo053ICMS, "13,00"},
    {"Campo055ICMS", &ICMS::Campo055ICMS, "624,00"},
    {"Campo056ICMS", &ICMS::Campo056ICMS, "180,00"},
    {"Campo057ICMS", &ICMS::Campo057ICMS, "15,00"},
    {"Campo058ICMS", &ICMS::Campo058ICMS, "17,00"},
    {"Campo060ICMS", &ICMS::Campo060ICMS, "212,00"},
    {"Campo061ICMS", &ICMS::Campo061ICMS, "300,00"},
    {"Campo062ICMS", &ICMS::Campo062ICMS, "512,00"},
    {"Campo063ICMS", &ICMS::Campo063ICMS, "112,00"},
    {"Campo064IcmsRPA", &ICMS::Campo064IcmsRPA, "19,00"},
    {"Campo064IcmsRES", &ICMS::Campo064IcmsRES, "1.000,25"},
    {"Campo051IcmsST11", &ICMS::Campo051IcmsST11, "10,00"},
    {"Campo052IcmsST11", &ICMS::Campo052IcmsST11, "12,00"},
    {"Campo053IcmsST11", &ICMS::Campo053IcmsST11, "14,00"},
    {"Campo055IcmsST11", &ICMS::Campo055IcmsST11, "36,00"},
    {"Campo056IcmsST11", &ICMS::Campo056IcmsST11, "3,00"},
    {"Campo057IcmsST11", &ICMS::Campo057IcmsST11, "16,00"},
    {"Campo058IcmsST11", &ICMS::Campo058IcmsST11, "18,00"},
    {"Campo060IcmsST11", &ICMS::Campo060IcmsST11, "37,00"},
    {"Campo061IcmsST11", &ICMS::Campo061IcmsST11, "25,00"},
    {"Campo062IcmsST11", &ICMS::Campo062IcmsST11, "62,00"},
    {"Campo063IcmsST11", &ICMS::Campo063IcmsST11, "0,00 "},
    {"Campo064IcmsST11", &ICMS::Campo064IcmsST11, "20,00"},
    {"Campo065IcmsST11", &ICMS::Campo065IcmsST11, "0,00 "},
    {"Campo066IcmsST11", &ICMS::Campo066IcmsST11, "26,00"},
    // The payment totals keep the engine's kinds: a Sum of Nulls is an Integer 0.
    {"PagamentosICMS", &ICMS::PagamentosICMS, Currency::FromRaw(11002500), Variant()},
    {"PagamentosICMS_ST", &ICMS::PagamentosICMS_ST, Variant::Integer(0), Variant()},
    {"PagamentosICMSContar", &ICMS::PagamentosICMSContar, Variant::Long(2), Variant::Integer(0)},
    {"PagamentosICMS_STConta", &ICMS::PagamentosICMS_STConta, Variant::Long(3),
     Variant::Integer(0)},
};

TEST_F(IcmsFieldsTest, EveryFieldSumsOnlyItsRowsTypedAndLateBound) {
  auto object = CreateObject("Orvalis.ICMS");
  LetProperty(*object, "nrovek", vek_);
  for (const FieldCase& c : kFieldCases) {
    EXPECT_EQ((Bound().*c.member)(), c.expected) << c.name;
    EXPECT_EQ(GetProperty(*object, c.name), c.expected) << c.name;
  }
  for (const int32_t vek : {nulls_, AddDeclaration()}) {
    for (const FieldCase& c : kFieldCases) {
      EXPECT_EQ((Bound(vek).*c.member)(), c.without_amounts) << c.name << " of " << vek;
    }
  }
}

TEST_F(IcmsFieldsTest, ReferencePeriodChoosesTheSubstitutionColumn) {
  struct Case {
    const char* current;
    const char* limit;
    const char* campo051;
    const char* campo056;
  } cases[] = {
      {"03/2004", "05/2004", "10,00", "3,00"},    // before the cut-over: ImpostoRetidoST
      {"05/2004", "05/2004", "20,00", "4,00"},    // the same month: ImpRetSubstitutoST
      {"07/2004", "05/2004", "20,00", "4,00"},    // after
      {"03/2004", "05/2004xx", "10,00", "3,00"},  // only seven characters are read
  };
  ICMS& icms = Bound();
  for (const Case& c : cases) {
    SetReference(c.current, c.limit);
    EXPECT_EQ(icms.Campo051IcmsST11(), Variant(c.campo051)) << c.current << " / " << c.limit;
    EXPECT_EQ(icms.Campo056IcmsST11(), Variant(c.campo056)) << c.current << " / " << c.limit;
  }
}

// 063 is clamped at zero with a trailing blank, only below zero; 065 computes with zero
// for a clamped 063 ST.
TEST_F(IcmsTest, ClampedFieldsShowATrailingBlankAndCountAsZero) {
  AddCfop("5101", 1000, 100, 100);
  SetHeader("SaldoCredAntDigST", "300");
  AddOccurrence("014", -50, false);
  ICMS& icms = Bound();
  for (const auto& [credit, campo063] :
       {std::pair{"1500", "0,00 "}, std::pair{"1000", "0,00"}, std::pair{"400", "600,00"}}) {
    SetHeader("SaldoCredAntDig", credit);
    EXPECT_EQ(icms.Campo063ICMS(), Variant(campo063)) << credit;
  }
  EXPECT_EQ(icms.Campo063IcmsST11(), Variant("0,00 "));  // 100 - 300
  EXPECT_EQ(icms.Campo065IcmsST11(), Variant("50,00"));  // 0 - (-50), not -200 + 50
  EXPECT_EQ(icms.Campo066IcmsST11(), Variant("200,00"));
  SetHeader("SaldoCredAntDigST", "0");
  AddCfop("1101", 0, 100, 100);  // 055 ST = 062 ST
  EXPECT_EQ(icms.Campo063IcmsST11(), Variant("0,00"));
  EXPECT_EQ(icms.Campo066IcmsST11(), Variant("0,00"));
}

// ---- binding, the declaration number and the guards ------------------------------------

TEST_F(IcmsTest, UnboundObjectGivesEmptyFieldsAndZeroComposites) {
  AddCfop("5101", 100);
  settings_->Set("Brisquel", "DB", "DbAtual", "");
  ICMS never_bound;
  ICMS emptied;
  emptied.DBIndex(path_);
  emptied.LetNroVEK(vek_);  // DbAtual is empty: the binding is dropped
  for (ICMS* icms : {&never_bound, &emptied}) {
    EXPECT_EQ(icms->database(), nullptr);
    for (Member member :
         {&ICMS::Campo051ICMS, &ICMS::Campo061ICMS, &ICMS::Campo064IcmsRPA, &ICMS::Campo051IcmsST11,
          &ICMS::Campo064IcmsST11, &ICMS::PagamentosICMS, &ICMS::PagamentosICMSContar}) {
      EXPECT_TRUE(((*icms).*member)().IsEmpty());
    }
    for (Member member : {&ICMS::Campo055ICMS, &ICMS::Campo063ICMS, &ICMS::Campo064IcmsRES,
                          &ICMS::Campo065IcmsST11, &ICMS::Campo066IcmsST11}) {
      EXPECT_EQ(((*icms).*member)(), Variant("0,00"));
    }
    EXPECT_TRUE(icms->AtualizaCampo064IcmsST11("abc").IsEmpty());
  }
}

TEST_F(IcmsTest, MinusOneIsNoDeclarationOnlyForGuardedOperations) {
  ICMS& icms = Bound(-1);
  EXPECT_TRUE(icms.Campo061ICMS().IsEmpty());
  EXPECT_TRUE(icms.Campo061IcmsST11().IsEmpty());
  EXPECT_EQ(icms.Campo051ICMS(), Variant("0,00"));
  EXPECT_EQ(icms.Campo052IcmsST11(), Variant("0,00"));
  for (Member member : {&ICMS::PagamentosICMS, &ICMS::PagamentosICMS_ST,
                        &ICMS::PagamentosICMSContar, &ICMS::PagamentosICMS_STConta}) {
    EXPECT_TRUE((icms.*member)().IsEmpty());
  }
  icms.AtualizaCampo064IcmsRPA("5");
  icms.AtualizaCampo061IcmsST11("5");
  icms.AtualizaCampo064IcmsST11("5");
  icms.LetNroVEK("-1");  // a text reading as -1 counts as well
  icms.AtualizaCampo064IcmsST11("5");
  for (const char* column : {"DeduçõesRPA", "SaldoCredAntDigST", "DeduçõesST"}) {
    EXPECT_TRUE(Header(column).IsNull()) << column;
  }
}

TEST_F(IcmsTest, NumberNeverSetMakesTheStatementsFail) {
  AddCfop("5101", 100);
  icms_.DBIndex(path_);
  EXPECT_NE(ErrorOf([&] { icms_.Campo051ICMS(); }), 0);
  EXPECT_NE(ErrorOf([&] { icms_.Campo061ICMS(); }), 0);
  EXPECT_NE(ErrorOf([&] { icms_.PagamentosICMS(); }), 0);
  EXPECT_EQ(ErrorOf([&] { icms_.AtualizaCampo064IcmsRPA("5"); }), 0);  // skips an empty text
  std::vector<std::string> reported;
  InstallDiagnosticsHook([&](std::string_view op, const Error&) { reported.emplace_back(op); });
  EXPECT_TRUE(icms_.Campo064IcmsST11().IsEmpty());  // ends quietly before "0,00" is set
  EXPECT_EQ(reported, std::vector<std::string>{"ICMS.Campo064IcmsST11"});
}

TEST_F(IcmsTest, TwoObjectsOfAThreadShareTheNumber) {
  const int32_t second = AddDeclaration();
  AddCfop("5101", 100);
  AddCfop("5101", 250, Variant::Null(), Variant::Null(), second);
  ICMS& first = Bound();
  std::vector<int32_t> reported;
  InstallDiagnosticsHook([&](std::string_view, const Error& e) { reported.push_back(e.number()); });
  ICMS other;
  other.DBIndex(path_);
  other.DBIndex(dir_.File("not-open.mdb"));  // swallowed: the binding stays
  EXPECT_EQ(other.database(), db_);
  EXPECT_EQ(reported, std::vector<int32_t>{3265});
  EXPECT_EQ(other.NroVEK(), Variant(vek_));
  EXPECT_EQ(other.Campo051ICMS(), Variant("100,00"));
  first.LetNroVEK(second);
  EXPECT_EQ(other.Campo051ICMS(), Variant("250,00"));
  first.LetNroVEK(std::to_string(vek_));  // a text number is inserted as it stands
  EXPECT_EQ(other.Campo051ICMS(), Variant("100,00"));
}

TEST_F(IcmsTest, Field064RpaRefusesABindingOtherThanTheSettingsDatabase) {
  const std::string other_path = OpenNewFile("other.mdb");
  auto other_db = BindDatabase(other_path);
  AddRow("tblContribuinte", {{"IE", "110042490114"}, {"UF", "SP"}}, other_db.get());
  const int32_t other_vek = AddDeclaration(other_db.get());
  AddOccurrence("002", 70, true, other_db.get(), other_vek);
  AddOccurrence("014", 80, true, other_db.get(), other_vek);
  ICMS& icms = Bound(other_vek);
  icms.DBIndex(other_path);
  EXPECT_TRUE(icms.Campo064IcmsRPA().IsEmpty());
  EXPECT_EQ(icms.Campo052ICMS(), Variant("70,00"));
  settings_->Set("Brisquel", "DB", "DbAtual", other_path);
  icms.LetNroVEK(other_vek);
  EXPECT_EQ(icms.Campo064IcmsRPA(), Variant("80,00"));
  ThisThread().icms_database_name = dir_.File("closed.mdb");
  EXPECT_EQ(ErrorOf([&] { icms.Campo064IcmsRPA(); }), 3265);
}

// ---- write-backs -----------------------------------------------------------------------

TEST_F(IcmsTest, WriteBacksStoreInTheHeaderRowOrFailAsEachMemberDoes) {
  ICMS& icms = Bound();
  // A value the column cannot take: raised, swallowed, or raised as the engine's error.
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo064IcmsRPA("abc"); }), 13);
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo061IcmsST11("abc"); }), 0);
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo064IcmsST11("abc"); }), 3421);
  for (const char* column : {"DeduçõesRPA", "SaldoCredAntDigST", "DeduçõesST"}) {
    EXPECT_TRUE(Header(column).IsNull()) << column;
  }
  EXPECT_TRUE(icms.AtualizaCampo064IcmsRPA(" 1.234,56 ").IsEmpty());
  EXPECT_TRUE(icms.AtualizaCampo061IcmsST11("12,5").IsEmpty());
  EXPECT_TRUE(icms.AtualizaCampo064IcmsST11(Currency::FromUnits(7)).IsEmpty());
  EXPECT_EQ(Header("DeduçõesRPA"), Variant(Currency::FromRaw(12345600)));
  EXPECT_EQ(icms.Campo061IcmsST11(), Variant("12,50"));
  EXPECT_EQ(Header("DeduçõesST"), Variant(Currency::FromUnits(7)));
  // No header row.
  icms.LetNroVEK(vek_ + 100);
  EXPECT_EQ(icms.Campo061ICMS(), Variant("0,00"));
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo064IcmsRPA("5"); }), 0);
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo061IcmsST11("5"); }), 0);
  EXPECT_EQ(ErrorOf([&] { icms.AtualizaCampo064IcmsST11("5"); }), 3021);
}

// ---- statements and the late-bound interface -------------------------------------------

TEST_F(IcmsTest, StatementsForDeclaration12AreSentWordForWord) {
  std::vector<std::string> sent;
  db_->SetStatementTrace([&](std::string_view sql) { sent.emplace_back(sql); });
  ICMS& icms = Bound(12);
  icms.Campo053ICMS();
  icms.Campo056IcmsST11();
  icms.Campo061ICMS();
  icms.Campo051ICMS();
  icms.PagamentosICMS_STConta();
  EXPECT_EQ(sent, (std::vector<std::string>{
                      "SELECT DISTINCTROW Sum(tblOcorrências.Valor) AS [Soma De Valor] FROM "
                      "tblOcorrências WHERE ((CódSubItem Like '003*') AND (OpPróprias=True)) "
                      "GROUP BY NroVEK HAVING (NroVEK=12);",
                      "SELECT DISTINCTROW Sum(ImpostoRetidoST) AS Soma FROM tblDetalhesCFOPs "
                      "WHERE (CFOP Like '1*') GROUP BY NroVEK HAVING (NroVEK=12);",
                      "Select * from tblVEK Where NroVEK=12",
                      "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] FROM "
                      "tblDetalhesCFOPs WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or "
                      "(tblDetalhesCFOPs.CFOP) Like '6*' Or (tblDetalhesCFOPs.CFOP) Like '7*')) "
                      "GROUP BY tblDetalhesCFOPs.NroVEK HAVING (((tblDetalhesCFOPs.NroVEK)=12));",
                      "SELECT count(tblPagamento.NroVEK) as total From tblPagamento GROUP BY "
                      "tblPagamento.NroVEK, tblPagamento.OpPróprias HAVING "
                      "(((tblPagamento.NroVEK)=12) AND ((tblPagamento.OpPróprias)=false));",
                  }));
}

TEST_F(IcmsTest, LateBoundMembersFollowTheInterfaceOrder) {
  auto object = CreateObject("Orvalis.ICMS");
  EXPECT_EQ(
      testing::MemberNames(*object),
      "DBIndex NroVEK Campo051ICMS Campo052ICMS Campo053ICMS Campo055ICMS Campo056ICMS "
      "Campo057ICMS Campo058ICMS Campo060ICMS Campo061ICMS Campo062ICMS Campo063ICMS "
      "Campo064IcmsRPA AtualizaCampo064IcmsRPA Campo064IcmsRES Campo051IcmsST11 "
      "Campo052IcmsST11 Campo053IcmsST11 Campo055IcmsST11 Campo056IcmsST11 Campo057IcmsST11 "
      "Campo058IcmsST11 Campo060IcmsST11 Campo061IcmsST11 AtualizaCampo061IcmsST11 "
      "Campo062IcmsST11 Campo063IcmsST11 Campo064IcmsST11 AtualizaCampo064IcmsST11 "
      "Campo065IcmsST11 Campo066IcmsST11 PagamentosICMS PagamentosICMS_ST PagamentosICMSContar "
      "PagamentosICMS_STConta");
  Variant path(path_);
  Invoke(*object, "dbindex", InvokeKind::kMethod, std::span(&path, 1));
  LetProperty(*object, "NroVEK", vek_);
  EXPECT_EQ(GetProperty(*object, "NroVEK"), Variant(vek_));
  Variant value("3,5");
  Invoke(*object, "AtualizaCampo064IcmsRPA", InvokeKind::kMethod, std::span(&value, 1));
  EXPECT_EQ(Header("DeduçõesRPA"), Variant(Currency::FromRaw(35000)));
  EXPECT_EQ(ErrorOf([&] { GetProperty(*object, "ValorOutrasRES"); }), 438);
}

}  // namespace
}  // namespace orvalis
