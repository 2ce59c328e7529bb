#include "orvalis/class_registry.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "component/class_list.h"
#include "orvalis/error.h"
#include "component/text_fold.h"

namespace orvalis {

namespace {

struct Registration {
  std::string prog_id;
  ObjectFactory factory;
};

class Registry {
 public:
  void Add(std::string prog_id, ObjectFactory factory) {
    std::lock_guard lock(mutex_);
    auto [found, added] = index_.emplace(FoldCase(prog_id), entries_.size());
    if (added) {
      entries_.push_back({std::move(prog_id), std::move(factory)});
    } else {
      entries_[found->second] = {std::move(prog_id), std::move(factory)};
    }
  }

  // The factory is copied out so that it runs without the lock: a factory may create
  // the objects it holds through CreateObject.
  ObjectFactory Factory(std::string_view prog_id) const {
    std::lock_guard lock(mutex_);
    auto found = index_.find(FoldCase(prog_id));
    return found == index_.end() ? ObjectFactory() : entries_[found->second].factory;
  }

  std::vector<std::string> Names() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const Registration& entry : entries_) names.push_back(entry.prog_id);
    return names;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Registration> entries_;
  std::unordered_map<std::string, size_t> index_;  // folded name -> entries_ position
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::atomic<ClassRegistration>& TestRegistration() {
  static std::atomic<ClassRegistration> registration{nullptr};
  return registration;
}

}  // namespace

void RunTestClassRegistration() {
  if (ClassRegistration registration = TestRegistration().load()) registration();
}

void SetTestClassRegistration(ClassRegistration registration) {
  TestRegistration().store(registration);
}

void RegisterClass(std::string prog_id, ObjectFactory factory) {
  TheRegistry().Add(std::move(prog_id), std::move(factory));
}

void EnsureClassesRegistered() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (ClassRegistration registration : kClassRegistrations) registration();
  });
}

std::shared_ptr<Object> CreateObject(std::string_view prog_id) {
  EnsureClassesRegistered();
  ObjectFactory factory = TheRegistry().Factory(prog_id);
  std::shared_ptr<Object> object = factory ? factory() : nullptr;
  if (!object) throw MakeError(ErrorCode::kObjectNotCreatable, prog_id);
  return object;
}

std::vector<std::string> RegisteredClasses() {
  EnsureClassesRegistered();
  return TheRegistry().Names();
}

}  // namespace orvalis
