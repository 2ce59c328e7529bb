// The format check that runs before a declaration file is opened: it refuses files of a
// newer or withdrawn version and brings older ones to the current format "0800".
#pragma once

#include <string>

#include "orvalis/database.h"

namespace orvalis::database {

// Reads the file's version in a private workspace. A newer version or the withdrawn test
// version "0799" is refused with its message: False, the file unchanged. A file already
// at "0800" that needs nothing is left untouched, without a write: True. Any other file
// is upgraded as one unit and stamped "0800": True; the upgrade needs the file closed
// everywhere else (3045 otherwise). When the upgrade fails the file is left exactly as it
// was and the error reaches the caller, as do the errors of reading it (missing file
// 3024, wrong password 3031, a damaged file 3049: no version row, a version that is not
// a text of digits, a table or column that its version must have and it lacks).
bool CheckAndUpgradeFormat(const std::string& path);

// The version stored in the file's version row; 3049 naming the file when it has no
// such row or the version is not a text of digits.
std::string StoredVersionOf(Database& db);

}  // namespace orvalis::database
