#include "component/text_fold.h"

namespace orvalis {

namespace {

// In UTF-8 the Latin-1 capitals U+00C0..U+00DE are 0xC3 0x80..0x9E and their lower-case
// letters U+00E0..U+00FE are 0xC3 0xA0..0xBE: folding adds 0x20 to the second byte.
constexpr unsigned char kLatin1Lead = 0xC3;
constexpr unsigned char kFirstCapital = 0x80;
constexpr unsigned char kLastCapital = 0x9E;
constexpr unsigned char kMultiplicationSign = 0x97;  // U+00D7, not a letter
constexpr unsigned char kCaseOffset = 0x20;

}  // namespace

std::string FoldCase(std::string_view utf8) {
  std::string out(utf8);
  for (size_t i = 0; i < out.size(); ++i) {
    auto byte = static_cast<unsigned char>(out[i]);
    if (byte >= 'A' && byte <= 'Z') {
      out[i] = static_cast<char>(byte + kCaseOffset);
    } else if (byte == kLatin1Lead && i + 1 < out.size()) {
      auto next = static_cast<unsigned char>(out[i + 1]);
      if (next >= kFirstCapital && next <= kLastCapital && next != kMultiplicationSign) {
        out[i + 1] = static_cast<char>(next + kCaseOffset);
      }
      ++i;
    }
  }
  return out;
}

}  // namespace orvalis
