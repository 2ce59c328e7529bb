#include "orvalis/object.h"

#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "orvalis/class_info.h"
#include "orvalis/error.h"

namespace orvalis {

namespace {

void CheckArgumentCount(const MemberInfo& member, size_t count, std::string_view shown_name) {
  if (count < static_cast<size_t>(member.min_args) ||
      count > static_cast<size_t>(member.max_args)) {
    throw MakeError(ErrorCode::kWrongArgumentCount, shown_name);
  }
}

// Calls `body` with the arguments completed with Missing up to `max_args`. The arguments
// the caller passed are moved into the longer list and back afterwards (also when the
// body throws), so what the body writes into them reaches the caller.
template <typename Body>
Variant CallPadded(std::span<Variant> args, size_t max_args, Body&& body) {
  if (args.size() >= max_args) return body(args);
  std::vector<Variant> padded(std::make_move_iterator(args.begin()),
                              std::make_move_iterator(args.end()));
  padded.resize(max_args, Variant::Missing());
  struct MoveBack {
    std::vector<Variant>& from;
    std::span<Variant> to;
    ~MoveBack() { std::move(from.begin(), from.begin() + to.size(), to.begin()); }
  } move_back{padded, args};
  return body(std::span<Variant>(padded));
}

}  // namespace

Variant ClassInfo::Dispatch(Object& target, size_t slot, InvokeKind kind, std::span<Variant> args,
                            std::string_view shown_name) const {
  const MemberInfo& member = members_[slot];
  const Bodies& bodies = bodies_[slot];
  const auto max_args = static_cast<size_t>(member.max_args);
  switch (kind) {
    case InvokeKind::kMethod:
    case InvokeKind::kPropertyGet: {
      // A get falls back on the method: the runtime reads `rs.EOF` or `col.Item(2)` so.
      const MemberCall& body =
          kind == InvokeKind::kPropertyGet && bodies.get ? bodies.get : bodies.method;
      if (!body) throw MakeError(ErrorCode::kMemberNotFound, shown_name);
      CheckArgumentCount(member, args.size(), shown_name);
      return CallPadded(args, max_args,
                        [&](std::span<Variant> padded) { return body(target, padded); });
    }
    case InvokeKind::kPropertyLet: {
      if (!bodies.let || args.empty()) {
        throw MakeError(ErrorCode::kWrongArgumentCount, shown_name);
      }
      const Variant& value = args.back();
      std::span<Variant> index = args.first(args.size() - 1);
      CheckArgumentCount(member, index.size(), shown_name);
      return CallPadded(index, max_args, [&](std::span<Variant> padded) {
        bodies.let(target, padded, value);
        return Variant();
      });
    }
  }
  throw MakeError(ErrorCode::kMemberNotFound, shown_name);
}

Variant Invoke(Object& target, std::string_view member, InvokeKind kind, std::span<Variant> args) {
  const ClassInfo& info = target.Class();
  std::optional<size_t> slot = info.FindSlot(member);
  if (!slot) throw MakeError(ErrorCode::kMemberNotFound, member);
  return info.Dispatch(target, *slot, kind, args, member);
}

Variant InvokeSlot(Object& target, size_t slot, InvokeKind kind, std::span<Variant> args) {
  const ClassInfo& info = target.Class();
  if (slot >= info.members().size()) {
    throw MakeError(ErrorCode::kMemberNotFound, "#" + std::to_string(slot));
  }
  return info.Dispatch(target, slot, kind, args, info.members()[slot].name);
}

Variant GetProperty(Object& target, std::string_view property) {
  return Invoke(target, property, InvokeKind::kPropertyGet, {});
}

void LetProperty(Object& target, std::string_view property, Variant value) {
  Invoke(target, property, InvokeKind::kPropertyLet, std::span<Variant>(&value, 1));
}

Variant DefaultValue(const Variant& value) {
  if (!value.IsObject() || value.IsNothing()) return value;
  Object& object = *value.object_value();
  std::optional<size_t> slot = object.Class().default_slot();
  if (!slot) return value;
  return InvokeSlot(object, *slot, InvokeKind::kPropertyGet, {});
}

}  // namespace orvalis
