// Running kestrova-cli from the tests that drive it, and reading what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "support/process.h"

namespace testing_rm {

// kestrova-cli with these arguments; `shellPrefix` as for run().
inline Outcome cli(std::vector<std::string> args, const std::string& shellPrefix = "")
{
    args.insert(args.begin(), KESTROVA_CLI);
    return run(args, shellPrefix);
}

// The lines of a program's output.
inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

}  // namespace testing_rm
