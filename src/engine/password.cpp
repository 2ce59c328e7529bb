#include "engine/password.h"

#include <crypt.h>

#include <array>
#include <random>

namespace orvalis::engine {

namespace {

std::string Crypt(std::string_view password, const std::string& setting) {
  crypt_data data{};
  const char* hashed = crypt_r(std::string(password).c_str(), setting.c_str(), &data);
  return hashed != nullptr && hashed[0] != '*' ? std::string(hashed) : std::string();
}

std::string NewSalt() {
  static constexpr std::string_view kAlphabet =
      "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::random_device random;
  std::string salt;
  for (int i = 0; i < 16; ++i) salt.push_back(kAlphabet[random() % kAlphabet.size()]);
  return salt;
}

}  // namespace

std::string HashPassword(std::string_view password) {
  if (password.empty()) return {};
  return Crypt(password, "$6$" + NewSalt() + "$");
}

bool PasswordMatches(std::string_view password, std::string_view stored) {
  if (stored.empty()) return true;
  std::string again = Crypt(password, std::string(stored));
  return !again.empty() && again == stored;
}

}  // namespace orvalis::engine
