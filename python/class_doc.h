// The docstring of a component class for Python: its name, how it is created and its
// late-bound members in slot order, each with its arguments and what it is (method,
// property, read-only property, ...). Written from the class's ClassInfo, so it follows
// every member a class declares.
#pragma once

#include <string>
#include <string_view>

#include "orvalis/class_info.h"

namespace orvalis::python {

// `prog_id` is the name CreateObject takes for the class, "" when the class is not
// created by name (its objects come from members of other objects).
std::string ClassDoc(const ClassInfo& info, std::string_view prog_id);

}  // namespace orvalis::python
