// The component's folder: where its companion files (declaration templates, tables) are
// looked up.
//
// The environment variable ORVALIS_HOME, read at every call, overrides it; otherwise it is
// the folder of the shared library holding the component, or of the executable when the
// component is linked into it statically. Safe from any thread.
#pragma once

#include <string>

namespace orvalis {

// ORVALIS_HOME as set, trailing slashes removed; otherwise the absolute path of the
// library's (or executable's) folder without a trailing slash ("/" alone for the root),
// "" when it cannot be determined.
std::string ComponentFolder();

}  // namespace orvalis
