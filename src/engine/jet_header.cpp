#include "engine/jet_header.h"

#include <array>
#include <fstream>
#include <string_view>

#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

// Bytes 0-19 of the first page: a page type and a fixed signature, then at 0x14 the
// version byte (0: Jet 3.0, 1: Jet 4.0; later versions are another engine's).
constexpr std::string_view kSignature{"\x00\x01\x00\x00Standard Jet DB\x00", 20};
constexpr size_t kVersionOffset = 0x14;

}  // namespace

bool IsJetFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, kVersionOffset + 1> header{};
  if (!in.read(header.data(), header.size())) return false;
  const std::string_view start(header.data(), kSignature.size());
  const unsigned char version = static_cast<unsigned char>(header[kVersionOffset]);
  return start == kSignature && version <= 1;
}

std::string JetFileRefusal(const std::string& path) {
  return MakeError(ErrorCode::kUnrecognizedFormat, path).description() +
         " The file is a database of the old engine (Jet 3.0 or 4.0); CorrigeConverteDB "
         "converts it into a declaration file.";
}

}  // namespace orvalis::engine
