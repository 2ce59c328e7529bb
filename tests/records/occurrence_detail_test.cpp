// The four occurrence detail lists (IERemetente, IESubstituto, IESubstituido,
// OcorrenciasCredito and their collections): what they share, checked over the four by
// late binding, then what sets them apart.
#include "orvalis/records/occurrence_detail.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "orvalis/class_registry.h"
#include "orvalis/records/ie_substituto.h"
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
};

void PrintTo(const ListCase& c, std::ostream* out) { *out << c.record; }

const ListCase kLists[] = {
    {"IERemetente", "IEsRemetentes", "tblIEsRemetente", "IERemetente", false, true},
    {"IESubstituto", "IESubstitutos", "tblIESubstituto", "IESubstituto", true, false},
    {"IESubstituido", "IESubstituidos", "tblIESubstituido", "IESubstituido", true, false},
    {"OcorrenciasCredito", "OcorrenciasCreditos", "tblRecibosCredito", "CodAutorização", false,
     true},
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
  // A record of `c` made through the class: occurrence `código`, `key` in its list
  // column, note "1" where it has one, and `value`; nothing is made with `create` false.
  std::shared_ptr<Object> Made(const ListCase& c, const Variant& código, const char* key,
                               int value = 10, bool create = true) {
    auto record = New(c.record);
    LetProperty(*record, "Código", código);
    LetProperty(*record, c.column, Variant(key));
    if (c.with_note) LetProperty(*record, "NF", Variant("1"));
    LetProperty(*record, "Valor", Variant(value));
    if (create) Call(*record, "Create");
    return record;
  }
  // The list column of each row of `c` for occurrence `código`, in the list's order.
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

// The reload matches the held keys as they stand: a key with a wildcard in it must not
// reload another row (which a following Update would then write).
TEST_P(EveryListTest, CreateHoldsItsOwnRowAndADuplicateFailsAsTheListSays) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  Made(c, código, "120", 1);
  auto record = Made(c, código, "12?", 2);
  EXPECT_EQ(GetProperty(*record, c.column), Variant("12?"));
  LetProperty(*record, "Valor", Variant(3));
  Call(*record, "Update");
  EXPECT_EQ(Stored(std::string("SELECT Valor FROM ") + c.table + " WHERE " + c.column + " = '120'",
                   "Valor"),
            Variant(Currency::FromUnits(1)));
  EXPECT_EQ(ErrorOf([&] { Call(*record, "Create"); }), c.create_raises ? 3022 : 0);
  EXPECT_EQ(swallowed_.Has(Is(c, "Create"), 3022), !c.create_raises);
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"120", "12?"}));
}

TEST_P(EveryListTest, UpdateRewritesTheFetchedRowKeysIncludedAndFetchOfNothingClears) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  for (const char* key : {"300", "100", "200"}) Made(c, código, key);
  auto record = New(c.record);
  Call(*record, "Fetch", {código, Variant("*")});  // the first in list order
  EXPECT_EQ(GetProperty(*record, c.column), Variant("100"));
  LetProperty(*record, c.column, Variant("400"));
  Call(*record, "Update");
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"200", "300", "400"}));

  Call(*record, "Fetch", {código, Variant("999")});
  EXPECT_EQ(testing::AllValues(dynamic_cast<RecordBase&>(*record)),
            testing::AllValues(dynamic_cast<RecordBase&>(*New(c.record))));
  Call(*record, "Update");  // no current row
  EXPECT_TRUE(swallowed_.Has(Is(c, "Update"), 3021));
}

TEST_P(EveryListTest, DeleteTakesTheFirstMatchAndTheListFiltersByPattern) {
  const ListCase& c = GetParam();
  const Variant código = Occurrence();
  for (const char* key : {"121", "129", "300"}) Made(c, código, key);
  Made(c, Occurrence(), "122");
  auto list = New(c.collection);
  Call(*list, "Fetch", {código, Variant("12*")});
  EXPECT_EQ(GetProperty(*list, "Count"), Variant::Long(2));
  EXPECT_EQ(GetProperty(*Call(*list, "Item", {Variant::Integer(2)}).object_value(), c.column),
            Variant("129"));
  auto record = Made(c, código, "12*", 10, false);
  Call(*record, "Delete");
  EXPECT_EQ(Keys(c, código), (std::vector<std::string>{"129", "300"}));
  LetProperty(*record, c.column, Variant("999"));
  Call(*record, "Delete");
  EXPECT_TRUE(swallowed_.Has(Is(c, "Delete"), 3021));
}

INSTANTIATE_TEST_SUITE_P(Lists, EveryListTest, ::testing::ValuesIn(kLists),
                         [](const auto& info) { return std::string(info.param.record); });

// ---- What sets them apart ---------------------------------------------------------------

TEST_F(OccurrenceDetailTest, OnlyTheSenderListNeedsItsOccurrence) {
  EXPECT_EQ(ErrorOf([&] { Made(kLists[0], 999, "123"); }), 3201);
  Made(kLists[3], 999, "ABC");  // a credit receipt is tied to nothing
  EXPECT_EQ(Rows("tblRecibosCredito"), 1);
}

TEST_F(OccurrenceDetailTest, ASubstituteIsFoundByItsNoteOnlyWhenOneIsGiven) {
  const Variant código = Occurrence();
  for (const auto& [ie, nf] : {std::pair{"124", "1"}, std::pair{"123", "2"}}) {
    auto substitute = Made(kLists[1], código, ie, 10, false);
    LetProperty(*substitute, "NF", Variant(nf));
    Call(*substitute, "Create");
  }
  auto substitute = Bound<IESubstituto>();
  substitute->Fetch(código, "12*");  // the first in IE order, whatever its note
  EXPECT_EQ(substitute->Get(IESubstituto::kNF), Variant("2"));
  substitute->Fetch(código, "12*", "1");
  EXPECT_EQ(substitute->Get(IESubstituto::kIESubstituto), Variant("124"));
}

}  // namespace
}  // namespace orvalis
