// kestrova-cli: lists the streams of RealMedia files and merges chosen
// streams into one new file, with the same engine as the dialogs.
#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "cli/check_command.h"
#include "cli/list_command.h"
#include "cli/merge_command.h"
#include "kestrova_version.h"

namespace {

constexpr int kUsageError = 2;

// A command: its name, its usage text (the lines under "Usage:") and what
// runs it with the arguments that follow its name.
struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Command& self, const std::vector<std::string>& args);
};

const char kListUsage[] =
    "  kestrova-cli list [--json] FILE...\n"
    "      Lists the usable streams of each RealMedia file: number, kind, name,\n"
    "      MIME type, duration, codec and main figures.\n"
    "      --json              one JSON array instead of a table\n";

const char kMergeUsage[] =
    "  kestrova-cli merge -o OUTPUT [OPTION]... FILE[:N[,N...]]...\n"
    "      Merges streams of the FILEs into OUTPUT: the streams numbered N of\n"
    "      each FILE (as list shows them), or all of its usable streams.\n"
    "      At most one video stream and ten streams in all. Ctrl-C cancels.\n"
    "      -o, --output OUTPUT  the file to write\n"
    "      --helper             add the \"application/helper\" stream\n"
    "      --quiet              no progress bar and no report (warnings are still shown)\n"
    "      --strict             any warning fails the merge, and nothing is written\n"
    "      --no-sync            do not wait for the output to reach the disk\n"
    "      --verify             read the output back and compare it with the sources\n"
    "                           before it takes its name; a difference fails the merge\n"
    "      --title TEXT, --author TEXT, --copyright TEXT, --comment TEXT\n"
    "                           the output's content description (at most 256 bytes each)\n"
    "      --name K=TEXT        names output stream K (0 for the first, as the report\n"
    "                           counts them); repeatable\n"
    "      --no-index           no index records built for streams whose sources have none\n";

const char kCheckUsage[] =
    "  kestrova-cli check [--json | --json-lines] [-r] [--jobs N] FILE|FOLDER...\n"
    "      Reads each FILE as a merge reads a source: its streams' packets,\n"
    "      timestamps, keyframes and index records, and every problem found.\n"
    "      Exit status 1 when a FILE has a problem.\n"
    "      --json              one JSON array instead of the report\n"
    "      -r, --recursive     check the files named .rm, .rmvb or .ra (any case) in\n"
    "                          each FOLDER and its subfolders; others are counted\n"
    "      --jobs N            check N files at once (default: the number of cores)\n"
    "      --json-lines        one JSON object per file as it finishes (path, size,\n"
    "                          streams, problems, verdict), then a summary line\n";

const char kRepairUsage[] =
    "  kestrova-cli repair -o OUTPUT [OPTION]... FILE\n"
    "      Writes a clean copy of a damaged FILE: every packet of its usable\n"
    "      streams that holds together, read on past damage (a cut end, holes,\n"
    "      junk, a damaged data chunk header), with its index rebuilt; tells\n"
    "      each damaged region and the packets recovered per stream.\n"
    "      -o, --output OUTPUT  the file to write\n"
    "      --quiet              no progress bar and no report (warnings are still shown)\n"
    "      --no-sync            do not wait for the output to reach the disk\n"
    "      --verify             read the output back and compare it with what was\n"
    "                           recovered of FILE before it takes its name\n";

const char kProgramUsage[] =
    "  kestrova-cli --version\n"
    "  kestrova-cli COMMAND --help\n";

int runList(const Command& self, const std::vector<std::string>& args);
int runMerge(const Command& self, const std::vector<std::string>& args);
int runCheck(const Command& self, const std::vector<std::string>& args);
int runRepair(const Command& self, const std::vector<std::string>& args);

const Command kCommands[] = {
    {"list", kListUsage, runList},
    {"merge", kMergeUsage, runMerge},
    {"check", kCheckUsage, runCheck},
    {"repair", kRepairUsage, runRepair},
};

// The usage of one command, or of them all.
std::string usageText(const Command* command)
{
    std::string text = "Usage:\n";
    if (command)
        return text + command->usage;
    for (const Command& c : kCommands)
        text += c.usage;
    return text + kProgramUsage;
}

int usage(const Command* command, const char* problem)
{
    if (problem)
        std::fprintf(stderr, "kestrova-cli: %s\n", problem);
    std::fputs(usageText(command).c_str(), stderr);
    return kUsageError;
}

// --help or -h among the options (before "--").
bool asksForHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

// The arguments of list: [--json] FILE...; false, after telling
// why, when they are not.
bool readFilesAndJson(const Command& self, const std::vector<std::string>& args, std::vector<std::string>& files,
                      bool& json, int& status)
{
    bool optionsDone = false;
    for (const std::string& arg : args) {
        if (!optionsDone && arg == "--json") {
            json = true;
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            status = usage(&self, ("unknown option " + arg).c_str());
            return false;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        status = usage(&self, (std::string(self.name) + " needs at least one FILE").c_str());
        return false;
    }
    return true;
}

int runList(const Command& self, const std::vector<std::string>& args)
{
    std::vector<std::string> files;
    bool json = false;
    int status = 0;
    return readFilesAndJson(self, args, files, json, status) ? listCommand(files, json) : status;
}

int runCheck(const Command& self, const std::vector<std::string>& args)
{
    CheckOptions options;
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> paths;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && arg == "--json") {
            options.json = true;
        } else if (!optionsDone && arg == "--json-lines") {
            options.jsonLines = true;
        } else if (!optionsDone && (arg == "-r" || arg == "--recursive")) {
            options.recursive = true;
        } else if (!optionsDone && (arg == "--jobs" || arg == "-j")) {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            if (value.empty() || value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos
                || std::stoul(value) == 0)
                return usage(&self, "--jobs needs a number of files from 1 to 9999");
            options.jobs = static_cast<unsigned>(std::stoul(value));
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return usage(&self, ("unknown option " + arg).c_str());
        } else {
            paths.push_back(arg);
        }
    }
    if (options.json && options.jsonLines)
        return usage(&self, "--json and --json-lines cannot be used together");
    if (paths.empty())
        return usage(&self, "check needs at least one FILE or FOLDER");
    return checkCommand(paths, options);
}

int runMerge(const Command& self, const std::vector<std::string>& args)
{
    MergeRequest request;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && (arg == "-o" || arg == "--output")) {
            if (i + 1 == args.size())
                return usage(&self, "-o needs an OUTPUT file");
            request.output = args[++i];
        } else if (!optionsDone && arg == "--helper") {
            request.settings.addHelper = true;
        } else if (!optionsDone && arg == "--quiet") {
            request.quiet = true;
        } else if (!optionsDone && arg == "--strict") {
            request.settings.strict = true;
        } else if (!optionsDone && arg == "--no-sync") {
            request.settings.sync = false;
        } else if (!optionsDone && arg == "--no-index") {
            request.settings.buildIndexes = false;
        } else if (!optionsDone && arg == "--verify") {
            request.settings.verify = true;
        } else if (!optionsDone && (arg == "--title" || arg == "--author" || arg == "--copyright" || arg == "--comment")) {
            if (i + 1 == args.size())
                return usage(&self, (arg + " needs a TEXT").c_str());
            MuxJob& settings = request.settings;
            std::optional<std::string>& field = arg == "--title"       ? settings.title
                                                : arg == "--author"    ? settings.author
                                                : arg == "--copyright" ? settings.copyright
                                                                       : settings.comment;
            field = args[++i];
        } else if (!optionsDone && arg == "--name") {
            uint16_t number = 0;
            std::string name;
            if (i + 1 == args.size() || !parseStreamName(args[i + 1], number, name))
                return usage(&self, "--name needs K=TEXT, K an output stream number");
            ++i;
            if (!request.settings.streamNames.emplace(number, name).second)
                return usage(&self, ("--name gives output stream " + std::to_string(number) + " two names").c_str());
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return usage(&self, ("unknown option " + arg).c_str());
        } else {
            request.sources.push_back(parseSourceArgument(arg));
        }
    }
    if (request.output.empty())
        return usage(&self, "merge needs -o OUTPUT");
    if (request.sources.empty())
        return usage(&self, "merge needs at least one FILE");
    return mergeCommand(request);
}

int runRepair(const Command& self, const std::vector<std::string>& args)
{
    MergeRequest request;
    request.settings.repair = true;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && (arg == "-o" || arg == "--output")) {
            if (i + 1 == args.size())
                return usage(&self, "-o needs an OUTPUT file");
            request.output = args[++i];
        } else if (!optionsDone && arg == "--quiet") {
            request.quiet = true;
        } else if (!optionsDone && arg == "--no-sync") {
            request.settings.sync = false;
        } else if (!optionsDone && arg == "--verify") {
            request.settings.verify = true;
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return usage(&self, ("unknown option " + arg).c_str());
        } else {
            // The whole argument is the file: a repair takes all its streams.
            request.sources.push_back({arg, {}});
        }
    }
    if (request.output.empty())
        return usage(&self, "repair needs -o OUTPUT");
    if (request.sources.size() != 1)
        return usage(&self, "repair needs one FILE");
    return mergeCommand(request);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage(nullptr, nullptr);
    const std::string name = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (name != command.name)
            continue;
        if (asksForHelp(args)) {
            std::fputs(usageText(&command).c_str(), stdout);
            return 0;
        }
        return command.run(command, args);
    }
    if (name == "--version") {
        std::puts("kestrova " KESTROVA_VERSION);
        return 0;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(usageText(nullptr).c_str(), stdout);
        return 0;
    }
    return usage(nullptr, ("unknown command " + name).c_str());
}
