#include "messages/GuardedEntry.h"

#include <cstdio>

namespace Platform {

void reportEscapedException(const char* where, const char* what) noexcept {
    std::fprintf(stderr, "Kestrup: %s failed unexpectedly: %s; the program goes on.\n", where, what);
    std::fflush(stderr);
}

} // namespace Platform
