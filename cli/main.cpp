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
#include "cli/text_encoding_option.h"
#include "mux/media_time.h"
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
    "  kestrova-cli list [--json] [--text-encoding NAME] FILE...\n"
    "      Lists the usable streams of each RealMedia file: number, kind, name,\n"
    "      MIME type, duration, codec and main figures, under its texts.\n"
    "      --json              one JSON array instead of a table\n"
    TEXT_ENCODING_USAGE;

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
    "      --no-index           no index records built for streams whose sources have none\n"
    "      --text-encoding NAME the code page of the sources' texts (GBK, BIG5, SHIFT_JIS,\n"
    "                           WINDOWS-1251...) instead of the one detected, for the texts\n"
    "                           kept beside given ones, written in UTF-8 with them\n"
    "      --start T, --end T   only the media from the video keyframe at or before the\n"
    "                           start T up to the end T; T is seconds (90.5) or\n"
    "                           [[hh:]mm:]ss[.mmm] (1:30); the output then starts at 0\n"
    "      --keep-timestamps    keep the sources' timestamps in a trimmed output\n"
    "      --delay K=MS         shifts output stream K by MS ms (may be negative);\n"
    "                           repeatable\n"
    "      --format rm|mkv      write RealMedia or Matroska (default: Matroska for an\n"
    "                           OUTPUT named .mkv or .mka, else RealMedia)\n";

const char kAppendUsage[] =
    "  kestrova-cli append -o OUTPUT [OPTION]... FILE[:N[,N...]] FILE[:N[,N...]]...\n"
    "      Writes the streams of each FILE one FILE after another into OUTPUT\n"
    "      (parts of one film: CD1, CD2). Every FILE must give the same streams\n"
    "      in the same order, with the same codec parameters. Takes the options\n"
    "      of merge but --helper; texts come from the first FILE unless given.\n";

const char kSplitUsage[] =
    "  kestrova-cli split -o OUTPUT (--every T | --size SIZE | --at T,T...) [OPTION]... FILE[:N[,N...]]...\n"
    "      Writes the merge of the FILEs as parts, each starting at a video keyframe\n"
    "      (or audio block start) at 0 with its own index: OUTPUT-001.rm, -002...\n"
    "      or OUTPUT with a %d filled in. Takes the options of merge but\n"
    "      --keep-timestamps; --verify reads every part back before any takes its name.\n"
    "      Refuses to start when part files are already there.\n"
    "      --overwrite          replace the part files already there, whatever their numbers\n"
    "      --every T            a new part at the first keyframe T after a part's start\n"
    "      --size SIZE          parts of at most about SIZE bytes (700M, 1.5G)\n"
    "      --at T,T...          new parts at the first keyframes at these times\n";

const char kCheckUsage[] =
    "  kestrova-cli check [--json | --json-lines] [-r] [--jobs N] [--text-encoding NAME] FILE|FOLDER...\n"
    "      Reads each FILE as a merge reads a source: its texts, its streams'\n"
    "      packets, timestamps, keyframes and index records, and every problem found.\n"
    "      Exit status 1 when a FILE has a problem.\n"
    "      --json              one JSON array instead of the report\n"
    "      -r, --recursive     check the files named .rm, .rmvb or .ra (any case) in\n"
    "                          each FOLDER and its subfolders; others are counted\n"
    "      --jobs N            check N files at once (default: the number of cores)\n"
    "      --json-lines        one JSON object per file as it finishes (path, size,\n"
    "                          streams, problems, verdict), then a summary line\n"
    TEXT_ENCODING_USAGE;

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
    {"append", kAppendUsage, runMerge},
    {"split", kSplitUsage, runMerge},
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

// The arguments of list: [--json] [--text-encoding NAME] FILE...; false,
// after telling why, when they are not.
bool readFilesAndJson(const Command& self, const std::vector<std::string>& args, std::vector<std::string>& files,
                      bool& json, std::string& textEncoding, int& status)
{
    bool optionsDone = false;
    std::string problem;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsDone && arg == "--json") {
            json = true;
        } else if (!optionsDone && takeTextEncoding(args, i, textEncoding, problem)) {
            if (!problem.empty()) {
                status = usage(&self, problem.c_str());
                return false;
            }
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
    std::string textEncoding;
    int status = 0;
    return readFilesAndJson(self, args, files, json, textEncoding, status) ? listCommand(files, json, textEncoding)
                                                                           : status;
}

int runCheck(const Command& self, const std::vector<std::string>& args)
{
    CheckOptions options;
    options.jobs = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> paths;
    bool optionsDone = false;
    std::string problem;
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
        } else if (!optionsDone && takeTextEncoding(args, i, options.textEncoding, problem)) {
            if (!problem.empty())
                return usage(&self, problem.c_str());
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

// A time option's value; false, after telling why, when it is none.
bool readTime(const Command& self, const std::string& option, const std::string& text, uint32_t& ms, int& status)
{
    const std::optional<uint32_t> time = parseMediaTime(text);
    if (!time) {
        status = usage(&self, (option + ": \"" + text + "\" is not a time: give seconds (90.5) or [[hh:]mm:]ss[.mmm] (1:30)").c_str());
        return false;
    }
    ms = *time;
    return true;
}

// merge, append and split: one set of options, each taken where it makes sense.
int runMerge(const Command& self, const std::vector<std::string>& args)
{
    MergeRequest request;
    const std::string command = self.name;
    request.mode = command == "append"  ? MergeRequest::Mode::Append
                   : command == "split" ? MergeRequest::Mode::Split
                                        : MergeRequest::Mode::Merge;
    bool optionsDone = false;
    std::string problem;
    int status = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool valued = arg == "--start" || arg == "--end" || arg == "--delay" || arg == "--every" || arg == "--size"
                            || arg == "--at" || arg == "--format";
        if (!optionsDone && valued && i + 1 == args.size())
            return usage(&self, (arg + " needs a value").c_str());
        MuxJob& job = request.settings;
        if (!optionsDone && (arg == "--start" || arg == "--end" || arg == "--every")) {
            uint32_t ms = 0;
            if (!readTime(self, arg, args[++i], ms, status))
                return status;
            if (arg == "--start")
                job.startMs = ms;
            else if (arg == "--end")
                job.endMs = ms;
            else if (request.mode == MergeRequest::Mode::Split && ms > 0)
                job.split.everyMs = ms;
            else
                return usage(&self, request.mode == MergeRequest::Mode::Split ? "--every needs a time above 0"
                                                                              : "--every is an option of split");
            continue;
        }
        if (!optionsDone && arg == "--format") {
            const std::string& format = args[++i];
            if (format != "rm" && format != "mkv")
                return usage(&self, ("--format: \"" + format + "\" is neither rm nor mkv").c_str());
            request.format = format == "mkv" ? MergeRequest::Format::Matroska : MergeRequest::Format::RealMedia;
            continue;
        }
        if (!optionsDone && arg == "--keep-timestamps" && request.mode != MergeRequest::Mode::Split) {
            job.keepTimestamps = true;
            continue;
        }
        if (!optionsDone && arg == "--delay") {
            uint16_t number = 0;
            int32_t ms = 0;
            if (!parseDelay(args[++i], number, ms))
                return usage(&self, ("--delay: \"" + args[i] + "\" is not K=MS, K an output stream number and MS milliseconds").c_str());
            if (!job.delays.emplace(number, ms).second)
                return usage(&self, ("--delay gives output stream " + std::to_string(number) + " two delays").c_str());
            continue;
        }
        if (!optionsDone && request.mode == MergeRequest::Mode::Split && arg == "--size") {
            job.split.sizeBytes = parseSize(args[++i]);
            if (!job.split.sizeBytes)
                return usage(&self, ("--size: \"" + args[i] + "\" is not a size: give bytes, or 700M, 1.5G").c_str());
            continue;
        }
        if (!optionsDone && request.mode == MergeRequest::Mode::Split && arg == "--at") {
            const std::string list = args[++i];
            for (std::size_t from = 0; from <= list.size();) {
                const std::size_t comma = std::min(list.find(',', from), list.size());
                uint32_t ms = 0;
                if (!readTime(self, arg, list.substr(from, comma - from), ms, status))
                    return status;
                if (!job.split.atMs.empty() && ms <= job.split.atMs.back())
                    return usage(&self, "--at needs times that rise");
                job.split.atMs.push_back(ms);
                from = comma + 1;
            }
            continue;
        }
        if (!optionsDone && arg == "--overwrite" && request.mode == MergeRequest::Mode::Split) {
            job.overwrite = true;
            continue;
        }
        if (!optionsDone && ((arg == "--helper" && request.mode == MergeRequest::Mode::Append)
                             || (arg == "--keep-timestamps" && request.mode == MergeRequest::Mode::Split)))
            return usage(&self, (arg + " is not an option of " + command).c_str());
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
        } else if (!optionsDone && takeTextEncoding(args, i, request.textEncoding, problem)) {
            if (!problem.empty())
                return usage(&self, problem.c_str());
        } else if (!optionsDone && arg == "--") {
            optionsDone = true;
        } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
            return usage(&self, ("unknown option " + arg).c_str());
        } else {
            request.sources.push_back(parseSourceArgument(arg));
        }
    }
    if (request.output.empty())
        return usage(&self, (command + " needs -o OUTPUT").c_str());
    if (request.sources.empty())
        return usage(&self, (command + " needs at least one FILE").c_str());
    if (request.mode == MergeRequest::Mode::Append && request.sources.size() < 2)
        return usage(&self, "append needs at least two FILEs");
    const MuxJob& job = request.settings;
    if (request.mode == MergeRequest::Mode::Split && !job.split.active())
        return usage(&self, "split needs --every, --size or --at");
    if (job.startMs && job.endMs && *job.endMs <= *job.startMs)
        return usage(&self, "--end must come after --start");
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
