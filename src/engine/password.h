// The database password of a declaration file. The file keeps a salted SHA-512 hash
// (crypt(3) "$6$" form), never the password; an empty password keeps no hash.
#pragma once

#include <string>
#include <string_view>

namespace orvalis::engine {

// The hash to store for a password ("" for the empty password).
std::string HashPassword(std::string_view password);
// True when `password` matches `stored` (a file without a hash accepts any password).
bool PasswordMatches(std::string_view password, std::string_view stored);

}  // namespace orvalis::engine
