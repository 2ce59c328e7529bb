// ORVALIS_EXPORT marks what the shared library offers its users: the public classes and
// functions declared in these headers. Everything else in the library is hidden, so the
// engine's internals never become part of its binary interface.
#pragma once

#define ORVALIS_EXPORT __attribute__((visibility("default")))
// Members of an exported class that only the library's own engine uses (they take its
// internal types): kept out of the interface.
#define ORVALIS_INTERNAL __attribute__((visibility("hidden")))
