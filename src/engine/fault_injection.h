// Fault injection: named places in the engine where a test can make the n-th pass fail,
// or end the process on the spot as a kill would, to prove that an operation that
// changes or replaces a file leaves it whole.
//
// The engine calls PassFaultSite at each place; while nothing is armed that costs one
// relaxed atomic load. Arming is process-wide (every thread's passes count) and meant
// for tests only: production code never arms a fault.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvalis::engine {

enum class FaultSite : int {
  kSchemaChange,  // each table, column, index, relation or link created, changed or dropped
  kStatement,     // each action statement and each row added, changed or deleted
  kFileStep,      // each step of writing, flushing and renaming a file into place
  kCount,
};

// The name a site is known by in messages and test parameters ("schema", "statement",
// "file").
std::string_view FaultSiteName(FaultSite site);

// What happens at the armed pass.
enum class FaultAction {
  kFail,   // raises Error 3000 "Injected failure at <site> <n>."
  kCrash,  // ends the process at once (_exit), leaving files as a kill would
};

// Arms `site`: its n-th pass from now on (1-based) does `action`. Counting restarts.
void ArmFault(FaultSite site, int64_t n, FaultAction action = FaultAction::kFail);
// Disarms every site and restarts every count.
void ClearFaults();
// Passes through `site` since it was last armed or cleared.
int64_t FaultPasses(FaultSite site);

// Called by the engine where `site` happens.
void PassFaultSite(FaultSite site);

// Disarms every site while it lives, for steps (such as clean-up after a failure) that
// an armed fault must not hit. Counting goes on.
class FaultsSuspended {
 public:
  FaultsSuspended();
  ~FaultsSuspended();
  FaultsSuspended(const FaultsSuspended&) = delete;
  FaultsSuspended& operator=(const FaultsSuspended&) = delete;
};

}  // namespace orvalis::engine
