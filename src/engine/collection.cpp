#include "component/collection.h"

#include "component/text_fold.h"
#include "orvalis/error.h"

namespace orvalis {

int32_t FindName(const std::vector<std::string>& names, std::string_view name) {
  std::string folded = FoldCase(name);
  for (size_t i = 0; i < names.size(); ++i) {
    if (FoldCase(names[i]) == folded) return static_cast<int32_t>(i);
  }
  return -1;
}

void ThrowItemNotFound() { throw MakeError(ErrorCode::kItemNotFound); }

}  // namespace orvalis
