// Driving component objects by member name, as a front-end does.
#pragma once

#include <initializer_list>
#include <memory>
#include <string_view>
#include <vector>

#include "orvalis/class_registry.h"
#include "orvalis/object.h"

namespace orvalis::cli {

inline Variant Call(Object& object, std::string_view member,
                    std::initializer_list<Variant> arguments = {}) {
  std::vector<Variant> values(arguments);
  return Invoke(object, member, InvokeKind::kMethod, values);
}

// Sets several properties, in order.
inline void Assign(Object& object,
                   std::initializer_list<std::pair<std::string_view, Variant>> properties) {
  for (const auto& [name, value] : properties) LetProperty(object, name, value);
}

}  // namespace orvalis::cli
