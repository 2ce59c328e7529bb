// ClassInfo: the name of a component class and its late-bound members, in interface slot
// order; and ClassInfoBuilder, with which a class declares them.
//
// A class builds its ClassInfo once, typically in a function-local static returned by
// Object::Class(), and never changes it afterwards; a ClassInfo may then be read from
// any thread. Members are found by name ignoring letter case (FoldCase).
//
//   const ClassInfo& Cfop::Class() const {
//     static const ClassInfo info = ClassInfoBuilder<Cfop>("CFOP")
//         .VariantProperties({{"Codigo", &Cfop::codigo_}, {"Descricao", &Cfop::descricao_}})
//         .Method("Fetch", 1, 2, [](Cfop& self, std::span<Variant> a) { return self.Fetch(a); })
//         .Property("Count", [](Cfop& self) { return self.count(); })
//         .Build();
//     return info;
//   }
#pragma once

#include "orvalis/export.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "orvalis/object.h"
#include "orvalis/variant.h"

namespace orvalis {

struct ORVALIS_EXPORT MemberInfo {
  std::string name;   // as declared; "" names a default member
  uint8_t kinds = 0;  // InvokeKind bits
  // Argument counts of a method or a get; for a let, not counting the value assigned.
  int min_args = 0;
  int max_args = 0;

  bool Supports(InvokeKind kind) const { return (kinds & static_cast<uint8_t>(kind)) != 0; }
};

// Type-erased member bodies; `self` is an object of the declaring class.
using MemberCall = std::function<Variant(Object& self, std::span<Variant> args)>;
using MemberLet = std::function<void(Object& self, std::span<Variant> args, const Variant& value)>;

class ORVALIS_EXPORT ClassInfo {
 public:
  const std::string& name() const { return name_; }
  // In interface slot order, as declared.
  const std::vector<MemberInfo>& members() const { return members_; }
  // The slot of a member, the name matched ignoring letter case.
  std::optional<size_t> FindSlot(std::string_view member) const;
  const MemberInfo* Find(std::string_view member) const;
  // The member with the empty name, else the one named "Value"; nothing when neither.
  std::optional<size_t> default_slot() const { return default_slot_; }

 private:
  friend class ClassInfoBuilderBase;
  friend Variant InvokeSlot(Object&, size_t, InvokeKind, std::span<Variant>);
  friend Variant Invoke(Object&, std::string_view, InvokeKind, std::span<Variant>);

  // Calls the member in `slot` after checking the invocation kind and argument count;
  // `shown_name` is the name errors report. Defined with Invoke (object.cpp).
  Variant Dispatch(Object& target, size_t slot, InvokeKind kind, std::span<Variant> args,
                   std::string_view shown_name) const;

  struct Bodies {
    MemberCall method;
    MemberCall get;
    MemberLet let;
  };

  std::string name_;
  std::vector<MemberInfo> members_;
  std::vector<Bodies> bodies_;                     // parallel to members_
  std::unordered_map<std::string, size_t> slots_;  // folded name -> slot
  std::optional<size_t> default_slot_;
};

// The untyped part of the builder. Declaring a member twice (names compared ignoring
// case) or with an invalid argument range throws std::logic_error: a programming error.
class ORVALIS_EXPORT ClassInfoBuilderBase {
 public:
  explicit ClassInfoBuilderBase(std::string class_name);

  // Hands over the finished ClassInfo; the builder is spent afterwards.
  ClassInfo Build();

 protected:
  void AddMethod(std::string name, int min_args, int max_args, MemberCall body);
  // `let` may be empty: a read-only property.
  void AddProperty(std::string name, int min_args, int max_args, MemberCall get, MemberLet let);

 private:
  void Add(MemberInfo member, MemberCall method, MemberCall get, MemberLet let);

  ClassInfo info_;
};

// Declares the members of class T (derived from Object), in slot order. Bodies receive
// the object as T&; argument spans are already completed with Missing up to the maximum.
template <typename T>
class ClassInfoBuilder : public ClassInfoBuilderBase {
 public:
  using ClassInfoBuilderBase::ClassInfoBuilderBase;
  using Field = Variant T::*;

  // body(T&, std::span<Variant>) returns a value convertible to Variant, or nothing.
  template <typename F>
  ClassInfoBuilder& Method(std::string name, int min_args, int max_args, F body) {
    AddMethod(std::move(name), min_args, max_args, ToMemberCall(std::move(body)));
    return *this;
  }

  // A property with arguments: get(T&, std::span<Variant>) returns the value,
  // let(T&, std::span<Variant>, const Variant&) assigns it; without let it is read-only.
  template <typename G>
  ClassInfoBuilder& IndexedProperty(std::string name, int min_args, int max_args, G get) {
    AddProperty(std::move(name), min_args, max_args, ToMemberCall(std::move(get)), nullptr);
    return *this;
  }
  template <typename G, typename L>
  ClassInfoBuilder& IndexedProperty(std::string name, int min_args, int max_args, G get, L let) {
    AddProperty(
        std::move(name), min_args, max_args, ToMemberCall(std::move(get)),
        [let = std::move(let)](Object& self, std::span<Variant> args, const Variant& value) {
          let(static_cast<T&>(self), args, value);
        });
    return *this;
  }

  // A property without arguments: get(T&) returns the value, let(T&, const Variant&)
  // assigns it; without let it is read-only.
  template <typename G>
  ClassInfoBuilder& Property(std::string name, G get) {
    return IndexedProperty(std::move(name), 0, 0, IgnoringArguments(std::move(get)));
  }
  template <typename G, typename L>
  ClassInfoBuilder& Property(std::string name, G get, L let) {
    return IndexedProperty(std::move(name), 0, 0, IgnoringArguments(std::move(get)),
                           [let = std::move(let)](T& self, std::span<Variant>,
                                                  const Variant& value) { let(self, value); });
  }

  // A property kept in a Variant field: get returns a copy, let stores DefaultValue of
  // the value assigned.
  ClassInfoBuilder& VariantProperty(std::string name, Field field) {
    return Property(
        std::move(name), [field](T& self) { return self.*field; },
        [field](T& self, const Variant& value) { self.*field = DefaultValue(value); });
  }
  ClassInfoBuilder& VariantProperties(std::initializer_list<std::pair<const char*, Field>> table) {
    for (const auto& [name, field] : table) VariantProperty(name, field);
    return *this;
  }

 private:
  template <typename F>
  static MemberCall ToMemberCall(F body) {
    return [body = std::move(body)](Object& self, std::span<Variant> args) -> Variant {
      if constexpr (std::is_void_v<std::invoke_result_t<const F&, T&, std::span<Variant>>>) {
        body(static_cast<T&>(self), args);
        return Variant();
      } else {
        return Variant(body(static_cast<T&>(self), args));
      }
    };
  }
  template <typename G>
  static auto IgnoringArguments(G get) {
    return [get = std::move(get)](T& self, std::span<Variant>) { return get(self); };
  }
};

}  // namespace orvalis
