// The four occurrence detail lists (IERemetente, IESubstituto, IESubstituido,
// OcorrenciasCredito and their collections): what they share, checked over the four by
// late binding, then what sets them apart, and every statement each sends.
#include "orvalis/records/occurrence_detail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "orvalis/records/ie_remetente.h"
#include "orvalis/records/ie_substituido.h"
#include "orvalis/records/ie_substituto.h"
#include "orvalis/records/ocorrencia.h"
#include "orvalis/records/ocorrencias_credito.h"
#include "records_fixture.h"

namespace orvalis {
namespace {

using testing::Call;
using testing::ErrorOf;

struct ListCase {
  const char* record;
  const char* collection;
  const char* table;
  const char* column;  // the list column: an IE or an authorisation code
  bool with_note;      // NF is a key column too
  bool create_raises;  // Create lets its errors reach the caller
  std::vector<Variant> cleared;
};

void PrintTo(const ListCase& c, std::ostream* out) { *out << c.record; }

const Variant k0 = Variant::Integer(0);
const ListCase kLists[] = {
    {"IERemetente",
     "IEsRemetentes",
     "tblIEsRemetente",
     "IERemetente",
     false,
     true,
     {k0, Variant(""), k0}},
    {"IESubstituto",
     "IESubstitutos",
     "tblIESubstituto",
     "IESubstituto",
     true,
     false,
     {k0, Variant::Null(), k0, k0, Variant::Null(), Variant::Null()}},
    {"IESubstituido",
     "IESubstituidos",
     "tblIESubstituido",
     "IESubstituido",
     true,
     false,
     {k0, Variant::Null(), k0, k0}},
    {"OcorrenciasCredito",
     "OcorrenciasCreditos",
     "tblRecibosCredito",
     "CodAutorização",
     false,
     true,
     {k0, Variant(""), k0}},
};

class OccurrenceDetailTest : public testing::RecordsTest {
 protected:
  // A new occurrence of the fixture's declaration; its Código.
  Variant Occurrence() {
    return AddRow("tblOcorrências", {{"NroVEK", vek_}, {"Valor", 10}, {"OpPróprias", true}})
        ->GetValue("Código");
  }
  std::shared_ptr<Object> New(const std::string& class_name) {
    auto object = CreateObject("Orvalis." + class_name);
    Call(*object, "DBIndex", {Variant(path_)});
    return object;
  }
  // A bound record of `c` holding occurrence `código`, `key` in its list column, note
  // "1" where it has one, and `value`.
  std::shared_ptr<Object> Holding(const ListCase& c, const Variant& código, const char* key,
                                  int value = 10) {
    auto record = New(c.record);
    LetProperty(*record, "Código", código);
    LetProperty(*record, c.column, Variant(key));
    if (c.with_note) LetProperty(*record, "NF", Variant("1"));
    LetProperty(*record, "Valor", Variant(value));
    return record;
  }
  // The list column of each row of `c` stored for occurrence `código`, in its order.
  std::vector<std::string> Keys(const ListCase& c, const Variant& código) {
    auto list = New(c.collection);
    Call(*list, "Fetch", {código});
    std::vector<std::string> keys;
    for (Variant item = Call(*list, "MoveFirst"); Call(*list, "Last") == Variant(false);
         item = Call(*list, "MoveNext")) {
      keys.push_back(ToText(GetProperty(*item.object_value(), c.column)));
    }
    return keys;
  }
  std::string Is(const ListCase& c, const char* member) {
    return std::string(c.record) + "." + member;
  }

  int32_t vek_ = AddDeclaration();
};

class EveryListTest : public OccurrenceDetailTest,
                      public ::testing::WithParamInterface<ListCase> {};

TEST_P(EveryListTest, CreateHoldsTheNewRowAndADuplicateFailsAsTheListSays) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  auto record = Holding(c, código, "123", 7);
  for (const auto& member : record->Class().members()) {
    if (member.name != "Código" && member.name != c.column && member.name != "Valor" &&
        member.name != "NF" && member.Supports(InvokeKind::kPropertyLet)) {
      LetProperty(*record, member.name, Variant(Date::FromYmd(2005, 3, 1)));
    }
  }
  Call(*record, "Create");
  EXPECT_EQ(GetProperty(*record, "Valor"), Variant(Currency::FromUnits(7)));  // reloaded
  EXPECT_EQ(Keys(c, código), std::vector<std::string>{"123"});

  const int32_t duplicate = ErrorOf([&] { Call(*record, "Create"); });
  EXPECT_EQ(duplicate, c.create_raises ? 3022 : 0);
  if (!c.create_raises) EXPECT_TRUE(swallowed_.Has(Is(c, "Create"), 3022));
  EXPECT_EQ(Rows(c.table), 1);
}

TEST_P(EveryListTest, UpdateRewritesTheFetchedRowKeysIncludedAndFetchOfNothingClears) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  for (const char* key : {"300", "100", "200"}) Call(*Holding(c, código, key), "Create");
  auto record = New(c.record);
  Call(*record, "Fetch", {código, Variant("*")});  // the first in list order
  EXPECT_EQ(GetProperty(*record, c.column), Variant("100"));
  LetProperty(*record, c.column, Variant("400"));
  Call(*record, "Update");
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"200", "300", "400"}));

  Call(*record, "Fetch", {código, Variant("999")});
  std::vector<Variant> held;
  for (const auto& member : record->Class().members()) {
    if (member.Supports(InvokeKind::kPropertyGet))
      held.push_back(GetProperty(*record, member.name));
  }
  EXPECT_EQ(held, c.cleared);
  Call(*record, "Update");  // no current row
  EXPECT_TRUE(swallowed_.Has(Is(c, "Update"), 3021));
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"200", "300", "400"}));
}

TEST_P(EveryListTest, DeleteTakesTheFirstMatchAndTheListFiltersByPattern) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  const Variant other = Occurrence();
  for (const char* key : {"121", "129", "300"}) Call(*Holding(c, código, key), "Create");
  Call(*Holding(c, other, "122"), "Create");
  auto list = New(c.collection);
  Call(*list, "Fetch", {código, Variant("12*")});
  EXPECT_EQ(GetProperty(*list, "Count"), Variant::Long(2));
  EXPECT_EQ(GetProperty(*Call(*list, "Item", {Variant::Integer(2)}).object_value(), c.column),
            Variant("129"));

  auto record = Holding(c, código, "12*");
  Call(*record, "Delete");
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"129", "300"}));
  EXPECT_EQ(GetProperty(*record, c.column), Variant("12*"));  // the held values stay
  LetProperty(*record, c.column, Variant("999"));
  Call(*record, "Delete");
  EXPECT_TRUE(swallowed_.Has(Is(c, "Delete"), 3021));
  EXPECT_EQ(Keys(c, other), std::vector<std::string>{"122"});
}

// The reload after Create matches the held keys as they stand: a key with a wildcard in
// it must not reload another row.
TEST_P(EveryListTest, CreateReloadsOnlyTheRowOfItsKeys) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  Call(*Holding(c, código, "120", 1), "Create");
  auto record = Holding(c, código, "12?", 2);
  Call(*record, "Create");
  EXPECT_EQ(GetProperty(*record, c.column), Variant("12?"));
  EXPECT_EQ(GetProperty(*record, "Valor"), Variant(Currency::FromUnits(2)));
  LetProperty(*record, "Valor", Variant(3));
  Call(*record, "Update");
  EXPECT_EQ(Stored(std::string("SELECT Valor FROM ") + c.table + " WHERE " + c.column + " = '120'",
                   "Valor"),
            Variant(Currency::FromUnits(1)));
}

INSTANTIATE_TEST_SUITE_P(Lists, EveryListTest, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return std::string(info.param.record); });

// ---- What sets them apart ---------------------------------------------------------------

TEST_F(OccurrenceDetailTest, DeletingAnOccurrenceTakesItsIEListsButLeavesItsCreditReceipts) {
  const Variant código = Occurrence();
  for (const ListCase& c : kLists) Call(*Holding(c, código, "123"), "Create");
  auto occurrence = Bound<Ocorrência>();
  occurrence->Set(Ocorrência::kCódigo, código);
  occurrence->Delete();
  for (const ListCase& c : kLists) {
    EXPECT_EQ(Rows(c.table), std::string(c.table) == "tblRecibosCredito" ? 1 : 0) << c.table;
  }
}

TEST_F(OccurrenceDetailTest, ASenderListNeedsItsOccurrenceAndItsCreateSaysSo) {
  auto sender = Bound<IERemetente>();
  sender->Set(IERemetente::kCódigo, 999);
  sender->Set(IERemetente::kIERemetente, "123");
  EXPECT_EQ(ErrorOf([&] { sender->Create(); }), 3201);
  EXPECT_EQ(sender->Get(IERemetente::kCódigo), Variant(999));  // unchanged
  auto receipt = Bound<OcorrenciasCredito>();  // tied to nothing: any Código is taken
  receipt->Set(OcorrenciasCredito::kCódigo, 999);
  receipt->Set(OcorrenciasCredito::kCodAutorização, "ABC");
  receipt->Create();
  EXPECT_EQ(Rows("tblRecibosCredito"), 1);
}

TEST_F(OccurrenceDetailTest, ASubstituteIsFoundByItsNoteOnlyWhenOneIsGiven) {
  const Variant código = Occurrence();
  for (const char* nf : {"2", "1"}) {
    auto substitute = Bound<IESubstituto>();
    substitute->Set(IESubstituto::kCódigo, código);
    substitute->Set(IESubstituto::kIESubstituto, "123");
    substitute->Set(IESubstituto::kNF, nf);
    substitute->Set(IESubstituto::kValor, nf);
    substitute->Create();
    EXPECT_EQ(substitute->Get(IESubstituto::kNF), Variant(nf));
  }
  auto substitute = Bound<IESubstituto>();
  substitute->Fetch(código, "123", "2");
  EXPECT_EQ(substitute->Get(IESubstituto::kValor), Variant(Currency::FromUnits(2)));
  substitute->Fetch(código, "123");
  EXPECT_EQ(substitute->Get(IESubstituto::kIESubstituto), Variant("123"));
  auto substituted = Bound<IESubstituido>();
  substituted->Fetch(código, "123", "1");
  EXPECT_EQ(substituted->Get(IESubstituido::kNF), Variant::Integer(0));  // none: cleared
}

TEST_F(OccurrenceDetailTest, EveryStatementWordForWord) {
  const Variant código = Occurrence();
  const std::string c = ToText(código);
  const std::string where = "WHERE (Código = " + c + ") And ";
  struct Expected {
    const ListCase& list;
    std::vector<std::string> create;  // Create: the table, then the reload
    std::string fetch;                // Fetch(c, "1'2") without a note
    std::string fetch_note;           // Fetch(c, "1'2", "9"); "" where there is no note
    std::string remove;               // Delete holding "1'2" (and note "1")
  };
  const Expected expected[] = {
      {kLists[0],
       {"SELECT * FROM tblIEsRemetente", "SELECT Código, IERemetente, Valor FROM tblIEsRemetente " +
                                             where +
                                             "(IERemetente Like '123')ORDER BY IERemetente"},
       "SELECT Código, IERemetente, Valor FROM tblIEsRemetente " + where +
           "(IERemetente Like '1''2')ORDER BY IERemetente",
       "",
       "SELECT * FROM tblIEsRemetente " + where + "(IERemetente Like '1''2')"},
      {kLists[1],
       {"SELECT * FROM tblIESubstituto", "SELECT * FROM tblIESubstituto " + where +
                                             "(IESubstituto Like '123') and (NF='1')ORDER BY "
                                             "IESubstituto"},
       "SELECT * FROM tblIESubstituto " + where + "(IESubstituto Like '1''2')ORDER BY IESubstituto",
       "SELECT * FROM tblIESubstituto " + where +
           "(IESubstituto Like '1''2') and (NF='9')ORDER BY IESubstituto",
       "SELECT * FROM tblIESubstituto " + where + "(IESubstituto Like '1''2')and (NF='1')"},
      {kLists[2],
       {"SELECT * FROM tblIESubstituido", "SELECT * FROM tblIESubstituido " + where +
                                              "(IESubstituido Like '123') and (NF='1')ORDER BY "
                                              "IESubstituido"},
       "SELECT * FROM tblIESubstituido " + where +
           "(IESubstituido Like '1''2') ORDER BY IESubstituido",
       "SELECT * FROM tblIESubstituido " + where +
           "(IESubstituido Like '1''2') and (NF='9')ORDER BY IESubstituido",
       "SELECT * FROM tblIESubstituido " + where + "(IESubstituido Like '1''2') And (NF='1')"},
      {kLists[3],
       {"SELECT * FROM tblRecibosCredito",
        "SELECT Código, CodAutorização, Valor FROM tblRecibosCredito " + where +
            "(CodAutorização Like '123')ORDER BY CodAutorização"},
       "SELECT Código, CodAutorização, Valor FROM tblRecibosCredito " + where +
           "(CodAutorização Like '1''2')ORDER BY CodAutorização",
       "",
       "SELECT * FROM tblRecibosCredito " + where + "(CodAutorização Like '1''2')"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.list.record);
    auto record = Holding(e.list, código, "123");
    EXPECT_EQ(Statements([&] { Call(*record, "Create"); }), e.create);
    EXPECT_TRUE(Statements([&] { Call(*record, "Update"); }).empty());
    EXPECT_EQ(Statements([&] {
                Call(*record, "Fetch", {código, Variant("1'2")});
              }),
              std::vector<std::string>{e.fetch});
    if (!e.fetch_note.empty()) {
      EXPECT_EQ(Statements([&] {
                  Call(*record, "Fetch", {código, Variant("1'2"), Variant("9")});
                }),
                std::vector<std::string>{e.fetch_note});
    }
    auto removing = Holding(e.list, código, "1'2");
    EXPECT_EQ(Statements([&] { Call(*removing, "Delete"); }), std::vector<std::string>{e.remove});
    EXPECT_TRUE(swallowed_.Has(Is(e.list, "Delete"), 3021));

    const std::string table = std::string("FROM ") + e.list.table + " ";
    auto list = New(e.list.collection);
    EXPECT_EQ(Statements([&] {
                Call(*list, "Fetch", {código});
                Call(*list, "Fetch", {código, Variant("1'*")});
              }),
              (std::vector<std::string>{
                  "SELECT * " + table + "WHERE (Código = " + c + ") ORDER BY " + e.list.column,
                  "SELECT * " + table + where + "(" + e.list.column + " Like '1''*')ORDER BY " +
                      e.list.column}));
  }
}

}  // namespace
}  // namespace orvalis
