#pragma once
// What every fuzz target shares: the entry point libFuzzer calls (and the
// replay program calls for each corpus file), and a check that stops the
// process loudly when an invariant does not hold, so that libFuzzer keeps
// the input as a crash and a replay test fails.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define QX7_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
