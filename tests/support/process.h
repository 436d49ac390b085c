// Running kestrova-cli and other programs from tests.
#pragma once

#include <string>
#include <vector>

namespace testing_rm {

struct Outcome {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs a program with arguments (no shell) and collects what it printed.
// `shellPrefix`, when given, is a shell command line run before it in the
// same shell (for limits such as "ulimit -f 8").
Outcome run(const std::vector<std::string>& argv, const std::string& shellPrefix = "");

// True when a program of that name is on the PATH.
bool haveProgram(const std::string& name);

// Quotes a word for /bin/sh.
std::string shellQuote(const std::string& word);

}  // namespace testing_rm
