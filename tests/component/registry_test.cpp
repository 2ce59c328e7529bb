// Creating objects by class name through the registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "component/class_list.h"
#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/error.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

class Gadget : public Object {
 public:
  explicit Gadget(std::string kind) : kind_(std::move(kind)) {}
  const ClassInfo& Class() const override {
    static const ClassInfo info = ClassInfoBuilder<Gadget>("Gadget")
                                      .Property("Kind", [](Gadget& self) { return self.kind_; })
                                      .Build();
    return info;
  }
  std::string kind_;
};

std::atomic<int> list_runs{0};

void RegisterGadgets() {
  ++list_runs;
  RegisterClass("Orvalis.Gadget", [] { return std::make_shared<Gadget>("listed"); });
}

// The class list must see the test registration before any object is created.
class ClassListEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { SetTestClassRegistration(&RegisterGadgets); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ClassListEnvironment);

bool Listed(const std::string& prog_id) {
  std::vector<std::string> names = RegisteredClasses();
  return std::find(names.begin(), names.end(), prog_id) != names.end();
}

void ExpectNotCreatable(std::string_view prog_id) {
  EXPECT_EQ(testing::ErrorTextOf([&] { CreateObject(prog_id); }),
            "429: Cannot create object: '" + std::string(prog_id) + "'");
}

TEST(RegistryTest, RunsTheClassListOnceAcrossThreads) {
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([] {
      for (int j = 0; j < 50; ++j) CreateObject("Orvalis.Gadget");
    });
  }
  for (std::thread& thread : threads) thread.join();
  EnsureClassesRegistered();
  EXPECT_EQ(list_runs.load(), 1);
  EXPECT_TRUE(Listed("Orvalis.Gadget"));
}

TEST(RegistryTest, CreatesNewObjectsIgnoringCaseOrRaises429) {
  std::shared_ptr<Object> first = CreateObject("orvalis.gadget");
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, CreateObject("ORVALIS.GADGET"));
  EXPECT_EQ(GetProperty(*first, "Kind"), Variant("listed"));

  ExpectNotCreatable("Orvalis.Nonexistent");
  ExpectNotCreatable("");
  RegisterClass("Orvalis.NullFactory", [] { return std::shared_ptr<Object>(); });
  ExpectNotCreatable("Orvalis.NullFactory");
  // A factory's own error passes through.
  RegisterClass("Orvalis.Broken", []() -> std::shared_ptr<Object> {
    throw MakeError(ErrorCode::kFileNotFound, "x.mdb");
  });
  EXPECT_EQ(testing::ErrorOf([] { CreateObject("Orvalis.Broken"); }), 3024);
}

TEST(RegistryTest, ListsInRegistrationOrderAndReplacesOnReregistration) {
  EnsureClassesRegistered();  // the listed classes come first
  RegisterClass("Orvalis.Later", [] { return std::make_shared<Gadget>("first"); });
  RegisterClass("ORVALIS.LATER", [] { return std::make_shared<Gadget>("second"); });
  std::vector<std::string> names = RegisteredClasses();
  EXPECT_EQ(std::count(names.begin(), names.end(), "ORVALIS.LATER"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Orvalis.Later"), 0);
  auto gadget = std::find(names.begin(), names.end(), "Orvalis.Gadget");
  auto later = std::find(names.begin(), names.end(), "ORVALIS.LATER");
  EXPECT_LT(gadget, later);
  EXPECT_EQ(GetProperty(*CreateObject("orvalis.later"), "Kind"), Variant("second"));
}

}  // namespace
}  // namespace orvalis
