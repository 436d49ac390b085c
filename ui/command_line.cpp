#include "ui/command_line.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "kestrova_version.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage: kestrova [OPTION]... [FILE]...\n"
    "Opens the dialog that merges streams of RealMedia files (.rm, .rmvb),\n"
    "with each FILE added to its list as Add adds it.\n"
    "  --version   print the version and exit\n"
    "  -h, --help  print this help and exit\n"
    "Qt's own options, such as -platform or -style, are taken too.\n";

}  // namespace

std::optional<int> AnswerInformationOption(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("kestrova " KESTROVA_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return std::nullopt;
}

CommandLine ParseCommandLine(const std::vector<CString>& arguments)
{
    CommandLine result;
    bool optionsDone = false;
    for (const CString& argument : arguments) {
        if (!optionsDone && argument == "--") {
            optionsDone = true;
        } else if (!optionsDone && argument.size() > 1 && argument[0] == '-') {
            result.problem = "unknown option " + argument;
            result.files.clear();
            return result;
        } else {
            // Listed by its full path, as Add lists a file.
            result.files.push_back(std::filesystem::absolute(argument).string());
        }
    }
    return result;
}

int ReportCommandLineProblem(const CString& problem)
{
    std::fprintf(stderr, "kestrova: %s\n%s", problem.c_str(), kUsage);
    return kUsageError;
}
