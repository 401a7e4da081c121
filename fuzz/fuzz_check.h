#pragma once
// What every fuzz target shares: a check that stops the run with the broken
// property (libFuzzer then saves the input), and the input reader of clang.

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

[[noreturn]] inline void fail(const char* what, const QString& detail, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property broken: %s\n  %s\n", file, line, what, qPrintable(detail));
    std::abort();
}

} // namespace fuzz

// NJ_FUZZ_CHECK(condition, detail): detail is a QString shown when it fails.
#define NJ_FUZZ_CHECK(cond, detail)                                                                          \
    do {                                                                                                     \
        if (!(cond))                                                                                         \
            ::fuzz::fail(#cond, (detail), __FILE__, __LINE__);                                               \
    } while (0)
