#include "support/process.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/rm_parser.h"
#include "support/temp_dir.h"

namespace testing_rm {

std::string shellQuote(const std::string& word)
{
    std::string out = "'";
    for (char c : word)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Outcome run(const std::vector<std::string>& argv, const std::string& shellPrefix)
{
    TempDir capture;
    std::string command = shellPrefix.empty() ? "" : shellPrefix + "; ";
    command += "exec";
    for (const std::string& word : argv)
        command += " " + shellQuote(word);
    command += " >" + shellQuote(capture.file("out")) + " 2>" + shellQuote(capture.file("err")) + " </dev/null";
    const int raw = std::system(("/bin/sh -c " + shellQuote(command)).c_str());
    Outcome outcome;
    if (WIFEXITED(raw))
        outcome.status = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        outcome.status = 128 + WTERMSIG(raw);
    outcome.out = readFileBytes(capture.file("out"));
    outcome.err = readFileBytes(capture.file("err"));
    return outcome;
}

bool haveProgram(const std::string& name)
{
    return std::system(("command -v " + shellQuote(name) + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace testing_rm
