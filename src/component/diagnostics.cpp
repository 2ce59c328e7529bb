#include "orvalis/diagnostics.h"

#include <atomic>
#include <memory>
#include <string>
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

void ReportSwallowedError(std::string_view class_name, std::string_view member,
                          const Error& error) {
  if (std::shared_ptr<const DiagnosticsHook> hook = InstalledHook().load()) {
    std::string operation;
    operation.reserve(class_name.size() + 1 + member.size());
    operation.append(class_name).append(".").append(member);
    (*hook)(operation, error);
  }
}

}  // namespace orvalis
