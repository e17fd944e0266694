#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant is a crash for libFuzzer, which then keeps the input; the message says which.
[[noreturn]] inline void requireFailed(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    std::abort();
}

#define REQUIRE(condition) ((condition) ? void() : requireFailed(#condition, __FILE__, __LINE__))
