#include "orvalis/class_info.h"

#include <stdexcept>

#include "component/text_fold.h"

namespace orvalis {

std::optional<size_t> ClassInfo::FindSlot(std::string_view member) const {
  auto found = slots_.find(FoldCase(member));
  if (found == slots_.end()) return std::nullopt;
  return found->second;
}

const MemberInfo* ClassInfo::Find(std::string_view member) const {
  std::optional<size_t> slot = FindSlot(member);
  return slot ? &members_[*slot] : nullptr;
}

ClassInfoBuilderBase::ClassInfoBuilderBase(std::string class_name) {
  info_.name_ = std::move(class_name);
}

ClassInfo ClassInfoBuilderBase::Build() {
  info_.default_slot_ = info_.FindSlot("");
  if (!info_.default_slot_) info_.default_slot_ = info_.FindSlot("Value");
  return std::move(info_);
}

void ClassInfoBuilderBase::AddMethod(std::string name, int min_args, int max_args,
                                     MemberCall body) {
  MemberInfo member{std::move(name), static_cast<uint8_t>(InvokeKind::kMethod), min_args, max_args};
  Add(std::move(member), std::move(body), nullptr, nullptr);
}

void ClassInfoBuilderBase::AddProperty(std::string name, int min_args, int max_args, MemberCall get,
                                       MemberLet let) {
  auto kinds = static_cast<uint8_t>(InvokeKind::kPropertyGet);
  if (let) kinds |= static_cast<uint8_t>(InvokeKind::kPropertyLet);
  Add(MemberInfo{std::move(name), kinds, min_args, max_args}, nullptr, std::move(get),
      std::move(let));
}

void ClassInfoBuilderBase::Add(MemberInfo member, MemberCall method, MemberCall get,
                               MemberLet let) {
  const std::string where = info_.name_ + "." + member.name;
  if (member.min_args < 0 || member.max_args < member.min_args) {
    throw std::logic_error("invalid argument range for " + where);
  }
  size_t slot = info_.members_.size();
  if (!info_.slots_.emplace(FoldCase(member.name), slot).second) {
    throw std::logic_error("member declared twice: " + where);
  }
  info_.members_.push_back(std::move(member));
  info_.bodies_.push_back({std::move(method), std::move(get), std::move(let)});
}

}  // namespace orvalis
