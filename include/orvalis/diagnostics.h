// Diagnostics of errors the component swallows on purpose (a record class that treats a
// failed lookup as "not found", for instance), for a front-end or a test to observe.
//
// Off by default: without an installed hook, reporting does nothing. The hook is
// process-wide; reports may come from any thread, and the hook runs on the reporting
// thread.
#pragma once

#include <functional>
#include <string_view>

#include "orvalis/error.h"

namespace orvalis {

// `operation` names what was being done (e.g. "CFOP.Fetch"); `error` is what was
// swallowed.
using DiagnosticsHook = std::function<void(std::string_view operation, const Error& error)>;

// Makes `hook` receive every report; an empty hook turns reporting off.
void InstallDiagnosticsHook(DiagnosticsHook hook);

// Called by the component for each error it swallows.
void ReportSwallowedError(std::string_view operation, const Error& error);

}  // namespace orvalis
