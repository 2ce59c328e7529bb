#include "engine/fault_injection.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

constexpr size_t kSites = static_cast<size_t>(FaultSite::kCount);

struct Armed {
  int64_t at = 0;  // 0: not armed
  FaultAction action = FaultAction::kFail;
};

struct Faults {
  std::mutex mutex;
  std::array<Armed, kSites> armed{};
  std::array<int64_t, kSites> passes{};
  int suspended = 0;
};

Faults& State() {
  static Faults faults;
  return faults;
}

// True while some site is armed or counting was asked for: the fast path skips the lock.
std::atomic<bool> watching{false};

}  // namespace

std::string_view FaultSiteName(FaultSite site) {
  switch (site) {
    case FaultSite::kSchemaChange:
      return "schema";
    case FaultSite::kStatement:
      return "statement";
    case FaultSite::kFileStep:
      return "file";
    case FaultSite::kCount:
      break;
  }
  return "?";
}

void ArmFault(FaultSite site, int64_t n, FaultAction action) {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  const auto i = static_cast<size_t>(site);
  faults.armed[i] = Armed{n, action};
  faults.passes[i] = 0;
  watching.store(true, std::memory_order_relaxed);
}

void ClearFaults() {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  faults.armed.fill(Armed{});
  faults.passes.fill(0);
  // Passes keep being counted so that a test can measure an operation first.
  watching.store(true, std::memory_order_relaxed);
}

int64_t FaultPasses(FaultSite site) {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  return faults.passes[static_cast<size_t>(site)];
}

void PassFaultSite(FaultSite site) {
  if (!watching.load(std::memory_order_relaxed)) return;
  Faults& faults = State();
  int64_t pass = 0;
  FaultAction action = FaultAction::kFail;
  {
    std::lock_guard lock(faults.mutex);
    const auto i = static_cast<size_t>(site);
    pass = ++faults.passes[i];
    const Armed& armed = faults.armed[i];
    if (armed.at == 0 || pass != armed.at || faults.suspended > 0) return;
    action = armed.action;
  }
  if (action == FaultAction::kCrash) ::_exit(137);
  throw Error(
      static_cast<int32_t>(ErrorCode::kEngineFailure),
      "Injected failure at " + std::string(FaultSiteName(site)) + " " + std::to_string(pass) + ".");
}

FaultsSuspended::FaultsSuspended() {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  ++faults.suspended;
}

FaultsSuspended::~FaultsSuspended() {
  Faults& faults = State();
  std::lock_guard lock(faults.mutex);
  --faults.suspended;
}

}  // namespace orvalis::engine
