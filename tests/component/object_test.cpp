// Late-bound invocation of a class declared with ClassInfoBuilder.
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "component/text_fold.h"
#include "orvalis/class_info.h"
#include "orvalis/error.h"
#include "orvalis/object.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

class Widget : public Object {
 public:
  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<Widget>("Widget")
            .VariantProperties({{"Name", &Widget::name_}, {"ValorContábil", &Widget::valor_}})
            .Property("Count", [](Widget& self) { return self.count_; })
            .Property(
                "Limit", [](Widget& self) { return self.limit_; },
                [](Widget& self, const Variant& value) { self.limit_ = value.long_value(); })
            .Method("Fetch", 1, 3,
                    [](Widget& self, std::span<Variant> args) {
                      self.seen_.assign(args.begin(), args.end());
                      args[0] = Variant("written back");
                      return Variant(static_cast<int>(args.size()));
                    })
            .Method("Clear", 0, 0, [](Widget& self, std::span<Variant>) { self.count_ = 0; })
            .Method("EOF", 0, 0, [](Widget&, std::span<Variant>) { return true; })
            .Method("Item", 1, 1,
                    [](Widget&, std::span<Variant> args) { return args[0].long_value() * 10; })
            .IndexedProperty(
                "Tag", 1, 1,
                [](Widget& self, std::span<Variant> args) {
                  return self.tags_.at(static_cast<size_t>(args[0].long_value()));
                },
                [](Widget& self, std::span<Variant> args, const Variant& value) {
                  self.tags_.at(static_cast<size_t>(args[0].long_value())) = value;
                })
            .Method("Fail", 0, 1,
                    [](Widget&, std::span<Variant> args) -> Variant {
                      args[0] = Variant("touched");
                      throw MakeError(ErrorCode::kNoCurrentRecord);
                    })
            .Build();
    return info;
  }

  Variant name_;
  Variant valor_;
  int count_ = 3;
  int limit_ = 0;
  std::vector<Variant> seen_;
  std::vector<Variant> tags_{Variant(), Variant()};
};

// A class whose default member is the property "Value".
class Holder : public Object {
 public:
  explicit Holder(Variant value) : value_(std::move(value)) {}
  const ClassInfo& Class() const override {
    static const ClassInfo info = ClassInfoBuilder<Holder>("Holder")
                                      .Property("Value", [](Holder& self) { return self.value_; })
                                      .Build();
    return info;
  }
  Variant value_;
};

class Unnamed : public Object {
 public:
  const ClassInfo& Class() const override {
    static const ClassInfo info = ClassInfoBuilder<Unnamed>("Unnamed")
                                      .Property("Value", [](Unnamed&) { return Variant("named"); })
                                      .Property("", [](Unnamed&) { return Variant("unnamed"); })
                                      .Build();
    return info;
  }
};

Variant Call(Object& target, std::string_view member, InvokeKind kind,
             std::vector<Variant> args = {}) {
  return Invoke(target, member, kind, args);
}

TEST(FoldCaseTest, FoldsAsciiAndLatin1CapitalsOnly) {
  EXPECT_EQ(FoldCase("Ação 12-Z ÀÉÍÓÚÂÊÔÃÕÇÜ"), "ação 12-z àéíóúâêôãõçü");
  EXPECT_EQ(FoldCase("×ß€Ω"), "×ß€Ω");          // not letters / outside Latin-1
  EXPECT_EQ(FoldCase("A\xC3"), "a\xC3");        // truncated sequence kept
  EXPECT_EQ(FoldCase("\x80\x9F"), "\x80\x9F");  // stray continuation bytes kept
}

TEST(ClassInfoTest, KeepsMembersInSlotOrderAndFindsTheDefault) {
  const ClassInfo& info = Widget().Class();
  EXPECT_EQ(testing::MemberNames(Widget()),
            "Name ValorContábil Count Limit Fetch Clear EOF Item Tag Fail");
  EXPECT_EQ(info.FindSlot("fetch"), 4u);
  EXPECT_EQ(info.default_slot(), std::nullopt);
  // The unnamed member is the default, else the property "Value".
  EXPECT_EQ(Unnamed().Class().default_slot(), 1u);
  EXPECT_EQ(Holder(1).Class().default_slot(), 0u);
}

TEST(InvokeTest, MatchesNamesIgnoringCaseAndAccents) {
  Widget widget;
  LetProperty(widget, "valorcontábil", Variant("12,50"));
  EXPECT_EQ(GetProperty(widget, "VALORCONTÁBIL"), Variant("12,50"));
  EXPECT_EQ(widget.valor_, Variant("12,50"));
  EXPECT_EQ(testing::ErrorOf([&] { GetProperty(widget, "ValorContabil"); }), 438);  // accent
}

TEST(InvokeTest, PropertiesAndMethods) {
  Widget widget;
  EXPECT_EQ(GetProperty(widget, "Count"), Variant(3));
  LetProperty(widget, "Limit", Variant(7));
  EXPECT_EQ(widget.limit_, 7);
  EXPECT_EQ(Call(widget, "Tag", InvokeKind::kPropertyLet, {Variant(1), Variant("b")}), Variant());
  EXPECT_EQ(Call(widget, "tag", InvokeKind::kPropertyGet, {Variant(1)}), Variant("b"));
  EXPECT_TRUE(widget.tags_[0].IsEmpty());
  EXPECT_EQ(Call(widget, "Clear", InvokeKind::kMethod), Variant());
  EXPECT_EQ(widget.count_, 0);
  // A method may be read as a property.
  EXPECT_EQ(Call(widget, "eof", InvokeKind::kPropertyGet), Variant(true));
  EXPECT_EQ(Call(widget, "Item", InvokeKind::kPropertyGet, {Variant(2)}), Variant(20));
}

TEST(InvokeTest, CompletesOptionalArgumentsWithMissing) {
  Widget widget;
  const Variant missing = Variant::Missing();
  EXPECT_EQ(Call(widget, "Fetch", InvokeKind::kMethod, {Variant("a")}), Variant(3));
  EXPECT_EQ(widget.seen_, (std::vector<Variant>{Variant("a"), missing, missing}));
  Call(widget, "Fetch", InvokeKind::kMethod, {Variant(1), missing, Variant(3)});
  EXPECT_EQ(widget.seen_, (std::vector<Variant>{Variant(1), missing, Variant(3)}));
}

TEST(InvokeTest, WritesArgumentsBackToTheCallerEvenWhenTheMemberFails) {
  Widget widget;
  std::vector<Variant> short_list{Variant(1), Variant("kept")};  // completed with Missing
  Invoke(widget, "Fetch", InvokeKind::kMethod, short_list);
  EXPECT_EQ(short_list[0], Variant("written back"));
  EXPECT_EQ(short_list[1], Variant("kept"));

  std::vector<Variant> none;  // Fail takes 0..1: its argument is a padded Missing
  EXPECT_EQ(testing::ErrorTextOf([&] { Invoke(widget, "Fail", InvokeKind::kMethod, none); }),
            "3021: No current record.");
  std::vector<Variant> one{Variant(1)};
  EXPECT_THROW(Invoke(widget, "Fail", InvokeKind::kMethod, one), Error);
  EXPECT_EQ(one[0], Variant("touched"));
}

TEST(InvokeTest, ReportsWrongUseWith438Or450) {
  const std::string k438 = "438: Object doesn't support this property or method: ";
  const std::string k450 = "450: Wrong number of arguments or invalid property assignment: ";
  const struct {
    const char* member;
    InvokeKind kind;
    std::vector<Variant> args;
    std::string error;
  } wrong_uses[] = {
      {"Nope", InvokeKind::kMethod, {}, k438 + "'Nope'"},
      {"count", InvokeKind::kMethod, {}, k438 + "'count'"},  // a property, not a method
      {"Fetch", InvokeKind::kMethod, {}, k450 + "'Fetch'"},
      {"Fetch", InvokeKind::kMethod, {1, 2, 3, 4}, k450 + "'Fetch'"},
      {"Count", InvokeKind::kPropertyLet, {1}, k450 + "'Count'"},
      {"Tag", InvokeKind::kPropertyLet, {"only value"}, k450 + "'Tag'"},
      {"Name", InvokeKind::kPropertyGet, {1}, k450 + "'Name'"},
  };
  Widget widget;
  for (const auto& use : wrong_uses) {
    EXPECT_EQ(testing::ErrorTextOf([&] { Call(widget, use.member, use.kind, use.args); }),
              use.error);
  }
  // By slot: the slot must exist and support the kind of call.
  std::vector<Variant> none;
  EXPECT_EQ(InvokeSlot(widget, 2, InvokeKind::kPropertyGet, none), Variant(3));
  EXPECT_EQ(testing::ErrorTextOf([&] { InvokeSlot(widget, 99, InvokeKind::kPropertyGet, none); }),
            k438 + "'#99'");
  EXPECT_EQ(testing::ErrorTextOf([&] { InvokeSlot(widget, 2, InvokeKind::kMethod, none); }),
            k438 + "'Count'");
}

TEST(DefaultValueTest, LetStoresTheDefaultValueOfAnObject) {
  Widget widget;
  LetProperty(widget, "Name", Variant(std::make_shared<Holder>(Variant("inner"))));
  EXPECT_EQ(widget.name_, Variant("inner"));
  LetProperty(widget, "Name", Variant(std::make_shared<Unnamed>()));
  EXPECT_EQ(widget.name_, Variant("unnamed"));
  auto opaque = std::make_shared<Widget>();  // no default member
  LetProperty(widget, "Name", Variant(opaque));
  ASSERT_TRUE(widget.name_.IsObject());
  EXPECT_EQ(widget.name_.object_value(), opaque);
  LetProperty(widget, "Name", Variant::Nothing());
  EXPECT_TRUE(widget.name_.IsNothing());
}

}  // namespace
}  // namespace orvalis
