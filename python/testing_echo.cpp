#include "testing_echo.h"

#include <pybind11/pybind11.h>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <thread>

#include "orvalis/class_info.h"
#include "orvalis/class_registry.h"
#include "orvalis/diagnostics.h"
#include "orvalis/error.h"
#include "orvalis/variant.h"

namespace orvalis::python {

namespace py = pybind11;

namespace {

constexpr const char* kEchoClass = "Orvalis._Echo";

// Members, in slot order:
//   Value            read/write Variant property; the default member
//   Echo(x)          returns x as it arrived
//   Kinds([a,b,c])   the kind names of its three arguments, Missing for those left out
//   Bump(n)          adds 1 to n in place (a by-reference argument)
//   Item(key)        read/write property with an argument, keyed by the key's text
//   Count            read-only: how many keys Item holds
//   Convert(x, kind) x converted to the kind named ("Integer", "Byte", "Currency", ...)
//   Raise(n, text)   raises Error n with that description
//   Self             the object itself
//   Situação         read/write Variant property (an accented name)
//   ReportFromThread(n, text)  swallows Error n on a thread of its own, which reports it
//                    to the diagnostics hook; returns once that thread has ended
class Echo : public Object {
 public:
  const ClassInfo& Class() const override {
    static const ClassInfo info =
        ClassInfoBuilder<Echo>("_Echo")
            .VariantProperty("Value", &Echo::value_)
            .Method("Echo", 1, 1, [](Echo&, std::span<Variant> a) { return a[0]; })
            .Method("Kinds", 0, 3,
                    [](Echo&, std::span<Variant> a) {
                      std::string kinds;
                      for (const Variant& v : a) {
                        if (!kinds.empty()) kinds += ",";
                        kinds += v.IsNothing()   ? "Nothing"
                                 : v.IsMissing() ? "Missing"
                                                 : std::string(KindName(v.kind()));
                      }
                      return kinds;
                    })
            .Method("Bump", 1, 1,
                    [](Echo&, std::span<Variant> a) { a[0] = Variant(ToLong(a[0]) + 1); })
            .IndexedProperty(
                "Item", 1, 1,
                [](Echo& self, std::span<Variant> a) {
                  auto found = self.items_.find(ToText(a[0]));
                  return found == self.items_.end() ? Variant::Null() : found->second;
                },
                [](Echo& self, std::span<Variant> a, const Variant& value) {
                  self.items_[ToText(a[0])] = value;
                })
            .Property("Count",
                      [](Echo& self) { return Variant(static_cast<int>(self.items_.size())); })
            .Method("Convert", 2, 2, [](Echo&, std::span<Variant> a) { return Convert(a); })
            .Method("Raise", 2, 2,
                    [](Echo&, std::span<Variant> a) -> Variant {
                      throw Error(ToLong(a[0]), ToText(a[1]));
                    })
            .Property("Self", [](Echo& self) { return Variant(self.shared_from_this()); })
            .VariantProperty("Situação", &Echo::situacao_)
            .Method("ReportFromThread", 2, 2,
                    [](Echo&, std::span<Variant> a) { ReportFromThread(a[0], a[1]); })
            .Build();
    return info;
  }

 private:
  static Variant Convert(std::span<Variant> a) {
    const std::string kind = ToText(a[1]);
    const Variant& x = a[0];
    if (kind == "Integer") return Variant::Integer(ToInteger(x));
    if (kind == "Long") return Variant::Long(ToLong(x));
    if (kind == "Byte") return Variant::Byte(ToByte(x));
    if (kind == "Boolean") return Variant(ToBoolean(x));
    if (kind == "Currency") return Variant(ToCurrency(x));
    if (kind == "Double") return Variant(ToDouble(x));
    if (kind == "Date") return Variant(ToDate(x));
    if (kind == "String") return Variant(ToText(x));
    if (kind == "Null") return Variant::Null();
    if (kind == "Empty") return Variant();
    if (kind == "Nothing") return Variant::Nothing();
    throw MakeError(ErrorCode::kInvalidProcedureCall);
  }

  // The new thread takes the GIL to log: the caller lets go of it while it waits.
  static void ReportFromThread(const Variant& number, const Variant& text) {
    Error error(ToLong(number), ToText(text));
    py::gil_scoped_release released;
    std::thread([&error] { Swallow("_Echo", "ReportFromThread", [&] { throw error; }); }).join();
  }

  Variant value_;
  Variant situacao_;
  std::map<std::string, Variant> items_;
};

}  // namespace

std::string RegisterTestingEcho() {
  EnsureClassesRegistered();
  RegisterClass(kEchoClass, [] { return std::make_shared<Echo>(); });
  return kEchoClass;
}

}  // namespace orvalis::python
