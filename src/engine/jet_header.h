// Recognises files of the old database engine (Jet 3.0 and 4.0 .mdb files) by their
// header, so that they can be told apart from damaged or foreign files and converted.
#pragma once

#include <string>
#include <string_view>

namespace orvalis::engine {

// True when the file at `path` begins with the header of a Jet 3.0 or 4.0 database.
// False for anything else, a missing or unreadable file included.
bool IsJetFile(const std::string& path);

// The same test on the first bytes of a file (at least 21 for a true answer).
bool IsJetHeader(std::string_view header);

// The message of 3343 for a file of the old engine: it names the file and says that
// CorrigeConverteDB converts it.
std::string JetFileRefusal(const std::string& path);

}  // namespace orvalis::engine
