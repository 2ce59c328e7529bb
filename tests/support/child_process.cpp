#include "support/child_process.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <thread>

namespace orvalis::testing {

namespace {

constexpr uid_t kNobody = 65534;

[[noreturn]] void RunChild(const std::function<int()>& body) {
  int status = 99;
  try {
    status = body();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child: %s\n", e.what());
  }
  std::fflush(nullptr);
  ::_exit(status);
}

}  // namespace

ChildProcess::ChildProcess(const std::function<int()>& body) {
  std::fflush(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) RunChild(body);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    Kill();
    Wait();
  }
}

void ChildProcess::Kill() {
  if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
}

int ChildProcess::Wait() {
  if (!reaped_) {
    int raw = 0;
    while (::waitpid(pid_, &raw, 0) < 0) {
    }
    reaped_ = true;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
  }
  return status_;
}

int RunKilledAfter(std::chrono::microseconds delay, const std::function<int()>& body) {
  ChildProcess child(body);
  std::this_thread::sleep_for(delay);
  child.Kill();
  return child.Wait();
}

int RunCrashingAt(engine::FaultSite site, int64_t n, const std::function<int()>& body) {
  ChildProcess child([&] {
    engine::ArmFault(site, n, engine::FaultAction::kCrash);
    return body();
  });
  return child.Wait();
}

int RunWithoutPrivileges(const std::function<int()>& body) {
  ChildProcess child([&body] {
    if (::geteuid() == 0) {
      ::setgroups(0, nullptr);
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return 98;
    }
    return body();
  });
  return child.Wait();
}

}  // namespace orvalis::testing
