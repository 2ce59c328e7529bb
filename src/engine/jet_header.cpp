#include "engine/jet_header.h"

#include <array>
#include <fstream>
#include <string_view>

#include "engine/file_claim.h"
#include "orvalis/error.h"

namespace orvalis::engine {

namespace {

// Bytes 0-19 of the first page: a page type and a fixed signature, then at 0x14 the
// version byte (0: Jet 3.0, 1: Jet 4.0; later versions are another engine's).
constexpr std::string_view kSignature{"\x00\x01\x00\x00Standard Jet DB\x00", 20};
constexpr size_t kVersionOffset = 0x14;

}  // namespace

bool IsJetFile(const std::string& path) {
  // A file the engine has open here is one of ours; reading it through a descriptor of
  // our own and closing that would drop the locks SQLite holds on it.
  if (FileClaim::HeldInThisProcess(path)) return false;
  std::ifstream in(path, std::ios::binary);
  std::array<char, kVersionOffset + 1> header{};
  if (!in.read(header.data(), header.size())) return false;
  return IsJetHeader(std::string_view(header.data(), header.size()));
}

bool IsJetHeader(std::string_view header) {
  if (header.size() <= kVersionOffset) return false;
  const unsigned char version = static_cast<unsigned char>(header[kVersionOffset]);
  return header.substr(0, kSignature.size()) == kSignature && version <= 1;
}

std::string JetFileRefusal(const std::string& path) {
  return MakeError(ErrorCode::kUnrecognizedFormat, path).description() +
         " The file is a database of the old engine (Jet 3.0 or 4.0); CorrigeConverteDB "
         "converts it into a declaration file.";
}

}  // namespace orvalis::engine
