// Object: the base of every component object, and late-bound invocation by member name.
//
// Component objects are shared: the front-end and Variants hold them through
// std::shared_ptr, and the last reference released destroys the object. Each concrete
// class describes its late-bound members once, in a ClassInfo (class_info.h) that is
// built on first use and never changes afterwards, and returns it from Class().
//
// Invoke calls a member by name, as the front-end's late binding does: names match
// ignoring letter case (Portuguese accented letters included), arguments are passed by
// reference, optional arguments may be Missing.
//
// Threads: ClassInfo and Invoke keep no mutable state of their own; an object itself is
// not synchronized, so one object is driven by one thread at a time.
#pragma once

#include "orvalis/export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "orvalis/variant.h"

namespace orvalis {

class ClassInfo;

class ORVALIS_EXPORT Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // The class's name and members; the same instance for every object of the class.
  virtual const ClassInfo& Class() const = 0;

 protected:
  Object() = default;
};

// How a member is invoked. The values are bits so that a member can state every way it
// supports (MemberInfo::kinds).
enum class InvokeKind : uint8_t {
  kMethod = 1,
  kPropertyGet = 2,
  kPropertyLet = 4,  // the last argument is the value assigned
};

// Invokes `member` of `target`. The arguments are passed by reference: the member may
// write back into them. Fewer arguments than the member accepts are completed with
// Missing before the call. A method taking the given arguments may also be invoked as a
// property get (`rs.EOF`, `col.Item(2)`); a let returns Empty.
// Raises Error 438 when the class has no such member or the member cannot be invoked
// that way, Error 450 when the argument count is outside the member's range or a let
// targets a member that cannot be assigned. Errors raised by the member itself pass
// through unchanged.
ORVALIS_EXPORT Variant Invoke(Object& target, std::string_view member, InvokeKind kind,
                              std::span<Variant> args);

// The same by interface slot (the member's position in ClassInfo::members()), for
// front-ends that resolve names once. Error 438 for a slot the class does not have.
ORVALIS_EXPORT Variant InvokeSlot(Object& target, size_t slot, InvokeKind kind,
                                  std::span<Variant> args);

// Shorthands for a property without arguments.
ORVALIS_EXPORT Variant GetProperty(Object& target, std::string_view property);
ORVALIS_EXPORT void LetProperty(Object& target, std::string_view property, Variant value);

// The value a Let stores: an object is replaced by the value of its default member (the
// member with the empty name, else the one named "Value") read as a property; an object
// without a default member, Nothing and every other value are returned as they are.
ORVALIS_EXPORT Variant DefaultValue(const Variant& value);

}  // namespace orvalis
