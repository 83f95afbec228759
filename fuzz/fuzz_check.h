// The one assertion of the fuzz targets: it stays on in every build type and
// aborts, so libFuzzer records the input that broke the property.
#pragma once

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fuzz_fail(const char* file, int line, const char* condition) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzz_fail(__FILE__, __LINE__, #condition);                                             \
    } while (0)
