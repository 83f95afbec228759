// The one assertion of the fuzz targets: it stays on in every build type and
// aborts, so libFuzzer records the input that broke the property. A test
// program that runs a target's model reports the property its own way
// first (fuzz_report), and may leave by an exception instead.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void (*fuzz_report)(const char* file, int line, const char* condition) = nullptr;

[[noreturn]] inline void fuzz_fail(const char* file, int line, const char* condition) {
    if (fuzz_report)
        fuzz_report(file, line, condition);
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, condition);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzz_fail(__FILE__, __LINE__, #condition);                                             \
    } while (0)
