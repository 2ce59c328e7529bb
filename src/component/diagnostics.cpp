#include "orvalis/diagnostics.h"

#include <atomic>
#include <memory>
#include <utility>

namespace orvalis {

namespace {

// Empty: reporting off. Reporters take their own reference, so replacing the hook never
// destroys one that is running.
std::atomic<std::shared_ptr<const DiagnosticsHook>>& InstalledHook() {
  static std::atomic<std::shared_ptr<const DiagnosticsHook>> hook;
  return hook;
}

}  // namespace

void InstallDiagnosticsHook(DiagnosticsHook hook) {
  InstalledHook().store(hook ? std::make_shared<const DiagnosticsHook>(std::move(hook)) : nullptr);
}

void ReportSwallowedError(std::string_view operation, const Error& error) {
  if (std::shared_ptr<const DiagnosticsHook> hook = InstalledHook().load()) {
    (*hook)(operation, error);
  }
}

}  // namespace orvalis
