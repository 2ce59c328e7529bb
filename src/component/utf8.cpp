#include "orvalis/utf8.h"

namespace orvalis {

namespace {

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

size_t CountCharacters(std::string_view utf8) {
  size_t count = 0;
  for (char c : utf8) count += IsContinuation(c) ? 0 : 1;
  return count;
}

std::string_view FirstCharacters(std::string_view utf8, size_t count) {
  size_t end = 0;
  for (size_t taken = 0; end < utf8.size() && taken < count; ++taken) {
    ++end;  // past the lead byte, then past its continuation bytes
    while (end < utf8.size() && IsContinuation(utf8[end])) ++end;
  }
  return utf8.substr(0, end);
}

}  // namespace orvalis
