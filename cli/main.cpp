// kestrova-cli: lists the streams of RealMedia files and merges chosen
// streams into one new file, with the same engine as the dialogs.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "cli/list_command.h"
#include "cli/merge_command.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "Usage:\n"
    "  kestrova-cli list [--json] FILE...\n"
    "      Lists the usable streams of each RealMedia file, with their codecs.\n"
    "  kestrova-cli merge -o OUTPUT [--helper] [--quiet] [--strict] [--no-sync]\n"
    "                    [--verify] FILE[:N[,N...]]...\n"
    "      Merges streams of the FILEs into OUTPUT: the streams numbered N of\n"
    "      each FILE (as list shows them), or all of its usable streams.\n"
    "      At most one video stream and ten streams in all. Ctrl-C cancels.\n"
    "      --quiet    no progress bar and no report (warnings are still shown)\n"
    "      --strict   any warning fails the merge, and nothing is written\n"
    "      --no-sync  do not wait for the output to reach the disk\n"
    "      --verify   read the output back and compare it with the sources\n"
    "                 before it takes its name; a difference fails the merge\n"
    "  kestrova-cli check [--json] FILE...\n"
    "      Reads each FILE as a merge reads a source: its streams' packets,\n"
    "      timestamps, keyframes and index records, and every problem found.\n"
    "      Exit status 1 when a FILE has a problem.\n";

int usage(const char* problem)
{
    if (problem)
        std::fprintf(stderr, "kestrova-cli: %s\n", problem);
    std::fputs(kUsage, stderr);
    return kUsageError;
}

int runList(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (const std::string& arg : args) {
        if (!optionsDone && arg == "--json")
            json = true;
        else if (!optionsDone && arg == "--")
            optionsDone = true;
        else if (!optionsDone && arg.size() > 1 && arg[0] == '-')
            return usage(("unknown option " + arg).c_str());
        else
            files.push_back(arg);
    }
    if (files.empty())
        return usage("list needs at least one FILE");
    return listCommand(files, json);
}

int runMerge(const std::vector<std::string>& args)
{
    MergeRequest request;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && (arg == "-o" || arg == "--output")) {
            if (i + 1 == args.size())
                return usage("-o needs an OUTPUT file");
            request.output = args[++i];
        } else if (!optionsDone && arg == "--helper") {
            request.helper = true;
        } else if (!optionsDone && arg == "--quiet") {
            request.quiet = true;
        } else if (!optionsDone && arg == "--strict") {
            request.strict = true;
        } else if (!optionsDone && arg == "--no-sync") {
            request.sync = false;
        } else if (!optionsDone && arg == "--verify") {
            request.verify = true;
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return usage(("unknown option " + arg).c_str());
        } else {
            request.sources.push_back(parseSourceArgument(arg));
        }
    }
    if (request.output.empty())
        return usage("merge needs -o OUTPUT");
    if (request.sources.empty())
        return usage("merge needs at least one FILE");
    return mergeCommand(request);
}

int runCheck(const std::vector<std::string>& args)
{
    bool json = false;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (const std::string& arg : args) {
        if (!optionsDone && arg == "--json")
            json = true;
        else if (!optionsDone && arg == "--")
            optionsDone = true;
        else if (!optionsDone && arg.size() > 1 && arg[0] == '-')
            return usage(("unknown option " + arg).c_str());
        else
            files.push_back(arg);
    }
    if (files.empty())
        return usage("check needs at least one FILE");
    return checkCommand(files, json);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage(nullptr);
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "list")
        return runList(args);
    if (command == "merge")
        return runMerge(args);
    if (command == "check")
        return runCheck(args);
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return usage(("unknown command " + command).c_str());
}
