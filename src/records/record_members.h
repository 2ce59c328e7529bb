// The late-bound members of the record and collection classes, declared once in the
// order every interface shares:
//   record:     DBIndex, Fetch, Create, Delete, Update, Clear, then the property pairs;
//   collection: DBIndex, Item, Fetch, MovePrevious, MoveNext, MoveFirst, Last (or the
//               class's own name for it), Conjunto, Count.
// A class supplies what differs: its name, its typed Fetch, its properties' interface
// order and, for a record, any member behind the properties.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "orvalis/class_info.h"
#include "orvalis/records/record_base.h"

namespace orvalis::records {

// A late-bound argument as a typed parameter receives it: a Variant as it is, a String,
// a Boolean or an optional Integer converted as the runtime passes them (a conversion
// failure is the caller's error, raised before the operation runs).
template <typename Param>
struct Argument;
template <>
struct Argument<const Variant&> {
  static const Variant& From(const Variant& value) { return value; }
};
template <>
struct Argument<std::string_view> {
  static std::string From(const Variant& value) { return ToText(value); }
};
template <>
struct Argument<int32_t> {
  static int32_t From(const Variant& value) { return ToLong(value); }
};
template <>
struct Argument<bool> {
  static bool From(const Variant& value) { return ToBoolean(value); }
};
template <>
struct Argument<std::optional<int16_t>> {
  static std::optional<int16_t> From(const Variant& value) {
    if (value.IsMissing()) return std::nullopt;
    return ToInteger(value);
  }
};

// A late-bound body calling `method` with the arguments converted to its parameters.
template <typename C, typename... Params>
auto Forward(void (C::*method)(Params...)) {
  return [method](C& self, std::span<Variant> args) {
    [&]<size_t... I>(std::index_sequence<I...>) {
      (self.*method)(Argument<Params>::From(args[I])...);
    }
    (std::index_sequence_for<Params...>{});
  };
}

// A returned item object as a Variant: the object, or Nothing.
inline Variant ItemVariant(std::shared_ptr<Object> item) { return Variant(std::move(item)); }

// The members of record class T up to its last property, in slot order: its properties
// in the layout's slot order; its Fetch takes at least `fetch_min` arguments (-1: all of
// them). The caller may add members behind them.
template <typename T, typename... Params>
ClassInfoBuilder<T> RecordMembers(std::string name, void (T::*fetch)(Params...),
                                  const records::RecordLayout& layout, int fetch_min = -1) {
  constexpr int kFetchArguments = sizeof...(Params);
  ClassInfoBuilder<T> builder(std::move(name));
  builder.Method("DBIndex", 1, 1, Forward(&BoundObject::DBIndex))
      .Method("Fetch", fetch_min < 0 ? kFetchArguments : fetch_min, kFetchArguments, Forward(fetch))
      .Method("Create", 0, 0, [](T& self, std::span<Variant>) { self.Create(); })
      .Method("Delete", 0, 0, Forward(&RecordBase::Delete))
      .Method("Update", 0, 0, Forward(&RecordBase::Update))
      .Method("Clear", 0, 0, Forward(&RecordBase::Clear));
  for (size_t field : layout.SlotOrder()) {
    builder.Property(
        std::string(layout.row(field).name), [field](T& self) { return self.Get(field); },
        [field](T& self, const Variant& value) { self.Set(field, value); });
  }
  return builder;
}

// Every member of collection class T, in slot order; its Fetch takes at least
// `fetch_min` arguments (the others are optional). A class may name its Last otherwise
// and declare members of its own right behind Item.
template <typename T>
struct CollectionShape {
  std::string last_name = "Last";
  std::function<void(ClassInfoBuilder<T>&)> after_item = {};
};

template <typename T, typename... Params>
ClassInfo CollectionMembers(std::string name, int fetch_min, void (T::*fetch)(Params...),
                            CollectionShape<T> shape = {}) {
  ClassInfoBuilder<T> builder(std::move(name));
  builder.Method("DBIndex", 1, 1, Forward(&BoundObject::DBIndex))
      .Method("Item", 0, 1,
              [](T& self, std::span<Variant> args) { return ItemVariant(self.Item(args[0])); });
  if (shape.after_item) shape.after_item(builder);
  return builder.Method("Fetch", fetch_min, static_cast<int>(sizeof...(Params)), Forward(fetch))
      .Method("MovePrevious", 0, 0,
              [](T& self, std::span<Variant>) { return ItemVariant(self.MovePrevious()); })
      .Method("MoveNext", 0, 0,
              [](T& self, std::span<Variant>) { return ItemVariant(self.MoveNext()); })
      .Method("MoveFirst", 0, 0,
              [](T& self, std::span<Variant>) { return ItemVariant(self.MoveFirst()); })
      .Method(std::move(shape.last_name), 0, 0,
              [](T& self, std::span<Variant>) { return self.Last(); })
      .Property("Conjunto", [](T& self) { return Variant(self.Conjunto()); })
      .Property("Count", [](T& self) { return Variant::Long(self.Count()); })
      .Build();
}

}  // namespace orvalis::records
