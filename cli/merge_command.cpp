#include "cli/merge_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>

#include "mux/edit_settings.h"
#include "kestrova_version.h"
#include "mkv/matroska_output.h"
#include "mkv/matroska_run_output.h"
#include "mux/media_time.h"
#include "mux/merge_signals.h"
#include "mux/output_texts.h"
#include "mux/rm_muxer.h"
#include "text/source_texts.h"
#include "rm/input_file.h"

namespace {

constexpr int kMerged = 0;
constexpr int kMergeFailed = 1;
constexpr int kBadInput = 2;

// Ctrl-C, a hang-up or a termination request stops the merge as the Cancel
// button does: the worker notices between packets and removes its output.
extern "C" void requestCancel(int)
{
    g_stop = 1;
}

void installCancelHandlers()
{
    std::signal(SIGINT, requestCancel);
    std::signal(SIGTERM, requestCancel);
    std::signal(SIGHUP, requestCancel);
    // Past a file size limit, writes then fail with an error the merge
    // reports and cleans up after, instead of the process being killed.
    std::signal(SIGXFSZ, SIG_IGN);
}

void drawProgress(int32_t percent)
{
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(kWidth - filled, '-').c_str(),
                 percent);
    std::fflush(stderr);
}

bool isSelectionSuffix(const std::string& s)
{
    if (s.empty() || s.front() == ',' || s.back() == ',')
        return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(std::isdigit(static_cast<unsigned char>(s[i])) || (s[i] == ',' && s[i - 1] != ',')))
            return false;
    return true;
}

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "kestrova-cli: %s\n", message.c_str());
    return status;
}

// ", 12 index records built" and the like; "" without index records.
std::string indexReport(const StreamReport& stream)
{
    std::string out;
    if (stream.indexCopied > 0)
        out += ", " + std::to_string(stream.indexCopied) + " index records copied";
    if (stream.indexBuilt > 0)
        out += ", " + std::to_string(stream.indexBuilt) + " index records built";
    return out;
}

// What a repair found and did, after "Wrote OUTPUT".
void printRepairReport(const MuxJob& job)
{
    if (job.damage.empty() && job.findings.empty())
        std::printf("no damage found\n");
    for (const DamagedRegion& region : job.damage) {
        std::string streams;
        for (std::size_t k = 0; k < region.streams.size(); ++k)
            streams += (k ? ", " : "") + std::to_string(region.streams[k]);
        std::printf("damaged region at bytes %s to %s: %s bytes skipped; %s\n", rm::formatOffset(region.first).c_str(),
                    rm::formatOffset(region.end).c_str(), rm::formatOffset(region.skipped).c_str(),
                    streams.empty() ? "no stream lost packets around it"
                                    : ((region.streams.size() == 1 ? "stream " : "streams ") + streams
                                       + " may have lost packets around it")
                                          .c_str());
    }
    for (const std::string& finding : job.findings)
        std::printf("%s\n", finding.c_str());
    uint32_t records = 0;
    for (std::size_t o = 0; o < job.streams.size(); ++o) {
        const StreamReport& stream = job.streams[o];
        records += stream.indexBuilt;
        std::printf("stream %zu: %u packets recovered from %s stream %u%s\n", o, stream.packets,
                    stream.sourcePath.c_str(), stream.sourceStream, indexReport(stream).c_str());
    }
    std::printf("rebuilt: the index (%u records), the data chunk header, and the packet count, sizes and "
                "figures of the file properties\n",
                records);
}

std::string listNumbers(const uint16_t* numbers, int32_t count)
{
    std::string out;
    for (int32_t k = 0; k < count; ++k)
        out += (k ? ", " : "") + std::to_string(numbers[k]);
    return out;
}

}  // namespace

MergeRequest::Source parseSourceArgument(const std::string& argument)
{
    const std::size_t colon = argument.rfind(':');
    if (colon == std::string::npos || colon == 0 || !isSelectionSuffix(argument.substr(colon + 1)))
        return {argument, {}};
    MergeRequest::Source source{argument.substr(0, colon), {}};
    const std::string list = argument.substr(colon + 1);
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string digits = list.substr(start, comma - start);
        // Anything longer than five digits is no stream number either way.
        source.numbers.push_back(digits.size() > 5 ? 100000u : static_cast<unsigned>(std::stoul(digits)));
        start = comma + 1;
    }
    return source;
}

bool parseStreamName(const std::string& argument, uint16_t& number, std::string& name)
{
    const std::size_t equals = argument.find('=');
    if (equals == 0 || equals == std::string::npos || equals > 5)
        return false;
    for (std::size_t k = 0; k < equals; ++k)
        if (!std::isdigit(static_cast<unsigned char>(argument[k])))
            return false;
    const unsigned long value = std::stoul(argument.substr(0, equals));
    if (value > 0xFFFF)
        return false;
    number = static_cast<uint16_t>(value);
    name = argument.substr(equals + 1);
    return true;
}

std::optional<uint64_t> parseSize(const std::string& text)
{
    std::size_t digits = 0;
    bool dot = false;
    while (digits < text.size() && (std::isdigit(static_cast<unsigned char>(text[digits])) || (text[digits] == '.' && !dot))) {
        dot = dot || text[digits] == '.';
        ++digits;
    }
    if (digits == 0 || digits > 15 || text[0] == '.' || text[digits - 1] == '.')
        return std::nullopt;
    const std::string unit = text.substr(digits);
    double factor = 1;
    if (unit == "K" || unit == "k")
        factor = 1024.0;
    else if (unit == "M" || unit == "m")
        factor = 1024.0 * 1024;
    else if (unit == "G" || unit == "g")
        factor = 1024.0 * 1024 * 1024;
    else if (!unit.empty())
        return std::nullopt;
    const double bytes = std::stod(text.substr(0, digits)) * factor;
    if (bytes < 1 || bytes > 4.0 * 1024 * 1024 * 1024)
        return std::nullopt;
    return static_cast<uint64_t>(bytes);
}

bool parseDelay(const std::string& argument, uint16_t& number, int32_t& ms)
{
    const std::size_t equals = argument.find('=');
    if (equals == 0 || equals == std::string::npos || equals > 2)
        return false;
    for (std::size_t k = 0; k < equals; ++k)
        if (!std::isdigit(static_cast<unsigned char>(argument[k])))
            return false;
    std::string value = argument.substr(equals + 1);
    const bool negative = !value.empty() && value[0] == '-';
    if (!value.empty() && (value[0] == '-' || value[0] == '+'))
        value.erase(0, 1);
    if (value.empty() || value.size() > 9
        || !std::all_of(value.begin(), value.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    number = static_cast<uint16_t>(std::stoul(argument.substr(0, equals)));
    ms = static_cast<int32_t>(std::stol(value)) * (negative ? -1 : 1);
    return true;
}

int mergeCommand(const MergeRequest& request)
{
    RmMuxer muxer;
    MuxJob job = request.settings;
    job.muxer = &muxer;
    job.keptTextsToUtf8 = text::KeptTextsToUtf8(request.textEncoding);
    if (request.format == MergeRequest::Format::Matroska
        || (request.format == MergeRequest::Format::ByName && mkv::namesMatroska(request.output)))
        job.output = mkv::matroskaOutput("Kestrova " KESTROVA_VERSION, job.keptTextsToUtf8);

    for (const MergeRequest::Source& source : request.sources) {
        char names[kMaxStreams][rm::kNameCapacity];
        int32_t kinds[kMaxStreams];
        uint16_t numbers[kMaxStreams];
        const int32_t count = muxer.Scan(source.path, names, kinds, numbers, job.repair);
        if (count == 0)
            return fail(source.path + ": " + muxer.LastScanMessage()
                            + (muxer.LastScanReason().empty() ? "" : "\n  " + muxer.LastScanReason()),
                        kBadInput);
        const uint16_t file = muxer.LastScanSource();
        JobInput input{file, {}};
        for (int32_t k = 0; k < count; ++k) {
            bool wanted = source.numbers.empty();
            for (unsigned n : source.numbers)
                wanted = wanted || n == numbers[k];
            if (wanted)
                job.selection[file * 10 + numbers[k]] = 1;
            if (wanted && source.numbers.empty())
                input.streams.push_back(numbers[k]);
        }
        // Parts give their streams in the order asked for.
        for (unsigned n : source.numbers)
            if (n < 10)
                input.streams.push_back(static_cast<uint16_t>(n));
        for (unsigned n : source.numbers) {
            bool listed = false;
            for (int32_t k = 0; k < count; ++k)
                listed = listed || n == numbers[k];
            if (!listed)
                return fail(source.path + ": no usable stream numbered " + std::to_string(n) + " (its streams: "
                                + listNumbers(numbers, count) + ")",
                            kBadInput);
        }
        if (request.mode == MergeRequest::Mode::Append)
            job.inputs.push_back(std::move(input));
    }
    if (request.mode == MergeRequest::Mode::Append) {
        // Each part is judged by the engine against the first, before anything is written.
        job.layout = JobLayout::EndToEnd;
        if (std::string problem = OutputTextsProblem(job, static_cast<int>(job.inputs.front().streams.size()));
            !problem.empty())
            return fail(problem, kBadInput);
    } else {
        const SelectionCheck check = muxer.CheckSelection(job.selection, job.addHelper);
        if (check.problem != SelectionProblem::None)
            return fail(SelectionMessage(check), kBadInput);
        if (std::string problem = OutputTextsProblem(job, check.streams); !problem.empty())
            return fail(problem, kBadInput);
    }
    const bool split = request.mode == MergeRequest::Mode::Split;
    const int outputStreams = request.mode == MergeRequest::Mode::Append
                                  ? static_cast<int>(job.inputs.front().streams.size())
                                  : muxer.CheckSelection(job.selection, job.addHelper).streams;
    if (std::string problem = EditSettingsProblem(job, outputStreams, request.output); !problem.empty()) {
        const std::vector<std::string> parts = split && !job.overwrite ? ExistingSplitParts(request.output)
                                                                       : std::vector<std::string>();
        for (const std::string& part : parts)
            problem += "\n  " + part;
        return fail(problem + (parts.empty() ? "" : "\nRemove them, or split with --overwrite to replace them"),
                    kBadInput);
    }
    if (std::string problem = muxer.OutputPathProblem(split ? SplitPartPath(request.output, 1) : request.output);
        !problem.empty())
        return fail(problem, kBadInput);

    muxer.SetOutputPath(request.output);
    ResetMergeSignals();
    installCancelHandlers();
    // The progress bar is redrawn every 100 ms, and the wait ends as soon
    // as the worker does, not at the next redraw.
    std::future<unsigned> worker = std::async(std::launch::async, MuxWorker, &job);
    const bool showProgress = !request.quiet && isatty(STDERR_FILENO);
    do {
        if (showProgress)
            drawProgress(std::min<int32_t>(g_progress, 100));
    } while (worker.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    worker.get();
    if (showProgress) {
        if (job.outcome == MuxOutcome::Completed)
            drawProgress(100);
        std::fputc('\n', stderr);
    }

    // Warnings are shown whatever the outcome, and in every mode.
    for (const MergeWarning& warning : job.warnings)
        std::fprintf(stderr, "kestrova-cli: warning: %s\n", warning.message().c_str());

    switch (job.outcome) {
    case MuxOutcome::Completed:
        if (!request.quiet) {
            if (!split)
                std::printf("Wrote %s\n", request.output.c_str());
            if (job.repair) {
                printRepairReport(job);
                return kMerged;
            }
            for (const SplitPart& part : job.parts)
                std::printf("Wrote %s: %s from %s, %u packets\n", part.path.c_str(),
                            formatMediaTime(part.durationMs).c_str(), formatMediaTime(part.startMs).c_str(),
                            part.packets);
            if (job.trim.trimmed)
                std::printf("Trimmed %s (%s bytes of packets read)\n", job.trim.message().c_str(),
                            rm::formatOffset(job.trim.bytesRead).c_str());
            for (std::size_t o = 0; o < job.streams.size(); ++o) {
                const StreamReport& stream = job.streams[o];
                if (!stream.leftOut.empty())
                    std::printf("stream %zu: left out, %s (%s stream %u)\n", o, stream.leftOut.c_str(),
                                stream.sourcePath.c_str(), stream.sourceStream);
                else
                    std::printf("stream %zu: %u packets from %s stream %u%s\n", o, stream.packets,
                                stream.sourcePath.c_str(), stream.sourceStream, indexReport(stream).c_str());
            }
        }
        return kMerged;
    case MuxOutcome::Cancelled:
        return fail(std::string(job.repair                                      ? "repair"
                                : request.mode == MergeRequest::Mode::Append ? "append"
                                : split                                      ? "split"
                                                                             : "merge")
                        + " cancelled; nothing was written",
                    kMergeFailed);
    case MuxOutcome::Failed:
    case MuxOutcome::NotRun:
        break;
    }
    return fail(job.error.empty() ? "the merge did not run" : job.error, job.refused ? kBadInput : kMergeFailed);
}
