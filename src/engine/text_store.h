// TextStore: copies of texts that stay where they were put until the store ends, so that
// views of them stay valid (a recordset keeps the texts of its rows' values in one).
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace orvalis::engine {

class TextStore {
 public:
  // A copy of `text`, kept until the store ends.
  std::string_view Keep(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > free_) Grow(text.size());
    char* copy = next_;
    std::memcpy(copy, text.data(), text.size());
    next_ += text.size();
    free_ -= text.size();
    return {copy, text.size()};
  }

 private:
  static constexpr size_t kBlockSize = 2048;

  void Grow(size_t needed) {
    const size_t size = std::max(needed, kBlockSize);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    next_ = blocks_.back().get();
    free_ = size;
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t free_ = 0;
};

}  // namespace orvalis::engine
