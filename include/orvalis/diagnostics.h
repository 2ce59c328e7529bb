// Diagnostics of errors the component swallows on purpose (a record class that treats a
// failed lookup as "not found", for instance), for a front-end or a test to observe.
//
// Off by default: without an installed hook, reporting does nothing. The hook is
// process-wide; reports may come from any thread, and the hook runs on the reporting
// thread.
#pragma once

#include "orvalis/export.h"

#include <functional>
#include <string_view>
#include <utility>

#include "orvalis/error.h"

namespace orvalis {

// `operation` names what was being done (e.g. "CFOP.Fetch"); `error` is what was
// swallowed.
using DiagnosticsHook = std::function<void(std::string_view operation, const Error& error)>;

// Makes `hook` receive every report; an empty hook turns reporting off.
ORVALIS_EXPORT void InstallDiagnosticsHook(DiagnosticsHook hook);

// Called by the component for each error it swallows: the hook receives
// "<class_name>.<member>".
ORVALIS_EXPORT void ReportSwallowedError(std::string_view class_name, std::string_view member,
                                         const Error& error);

// The component's one way of swallowing an error: runs `body`; an orvalis::Error raised in
// it ends it, is reported as "<class_name>.<member>" and goes no further. Returns true
// when `body` ran to its end, false when it was cut short.
template <typename Body>
bool Swallow(std::string_view class_name, std::string_view member, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const Error& error) {
    ReportSwallowedError(class_name, member, error);
    return false;
  }
}

}  // namespace orvalis
