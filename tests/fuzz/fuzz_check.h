// What the fuzz targets do when a property does not hold: say which, and
// abort, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

inline void fuzzCheck(bool holds, const std::string& what)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n", what.c_str());
    std::abort();
}
