// Test support only: a tiny class that stores and returns Variants, so that the Python
// tests can exercise every conversion and calling form without the component's real
// classes. Registered on demand by orvalis._testing_echo(), never otherwise.
#pragma once

#include <string>

namespace orvalis::python {

// Registers "Orvalis._Echo" (after the component's own classes) and returns that name.
std::string RegisterTestingEcho();

}  // namespace orvalis::python
