// The class registry: creates component objects by class name ("Orvalis.CFOP"), as the
// front-end does.
//
// The component's own classes are registered explicitly, once per process, before the
// first object is created or the classes are listed: EnsureClassesRegistered runs a
// fixed list of registration functions (no static initializers). The registry is
// process-wide and safe to use from several threads.
#pragma once

#include "orvalis/export.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "orvalis/object.h"

namespace orvalis {

using ObjectFactory = std::function<std::shared_ptr<Object>()>;

// Makes `prog_id` creatable. Registering a name again (letter case ignored) replaces its
// factory.
ORVALIS_EXPORT void RegisterClass(std::string prog_id, ObjectFactory factory);

// A new object of the class registered under `prog_id`, the name matched ignoring letter
// case. Error 429 when no class has that name (or its factory makes no object); errors of
// the factory pass through.
ORVALIS_EXPORT std::shared_ptr<Object> CreateObject(std::string_view prog_id);

// The registered names as registered, in registration order.
ORVALIS_EXPORT std::vector<std::string> RegisteredClasses();

// Registers the component's classes unless done already in this process. CreateObject
// and RegisteredClasses call it; calling it again does nothing.
ORVALIS_EXPORT void EnsureClassesRegistered();

}  // namespace orvalis
