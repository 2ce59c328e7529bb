// Child processes for the tests that prove files safe across processes: writers and
// readers sharing a file, operations killed midway, damaged files that must not crash.
//
// REQUIRES: the parent has no declaration file open when it forks (a child must not
// inherit a connection), and the child touches nothing the parent's threads hold.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/fault_injection.h"

namespace orvalis::testing {

// Runs `body` in a forked child; its result is the child's exit status. An exception
// escaping `body` ends the child with status 99 (its text on standard error).
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<int()>& body);
  ~ChildProcess();  // kills and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  void Kill();
  // The child's exit status, or minus the signal that ended it.
  int Wait();

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

// The status of `body` run in a child that is killed `delay` after it starts (or that
// ended sooner).
int RunKilledAfter(std::chrono::microseconds delay, const std::function<int()>& body);

// The status of `body` run in a child that ends on the spot at the `n`-th pass of `site`
// (137, as a kill would leave it).
int RunCrashingAt(engine::FaultSite site, int64_t n, const std::function<int()>& body);

// The result of `body`, run in a child as an unprivileged user when the test runs as
// root (the system's permission checks spare root), and in a child as it is otherwise.
int RunWithoutPrivileges(const std::function<int()>& body);

}  // namespace orvalis::testing
