// Edits arbitrary bytes as a source file. The first four bytes of the input
// choose the edit and how it is run; the rest is the source:
//   byte 0   the edit (its low three bits modulo 5: repair; trim; split
//            every N ms; delay of one stream; append of the file to
//            itself), 0x08 the output verified, and its high four bits a
//            Cancel: 14 pressed before the run starts, 15 pressed as the
//            output is verified
//   bytes 1-3  the edit's figures (see readEdit)
// Whatever the bytes, the edit must not crash, hang or touch memory it does
// not own, and must leave the source as it was. A failed or cancelled edit
// leaves nothing but the source; a cancelled one never completes. Every file
// a completed edit wrote (each part of a split) is read back whole by our
// strict reader, and kestrova-cli check and Scan take it as it is: check
// finds no problem in it (but timestamps going backwards, copied from a
// source that has them), and Scan lists each of its streams. No timestamp
// is pushed up to the largest there is. And the output's verify agrees with
// the edit: an edit whose output passes all of this without it completes
// with it.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "source_packets.h"
#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/source_check.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

enum class Operation { Repair, Trim, Split, Delay, Append };
enum class Cancel { None, AtStart, AtVerify };

constexpr std::size_t kEditBytes = 4;

struct Edit {
    Operation operation = Operation::Repair;
    bool verify = false;
    Cancel cancel = Cancel::None;
    std::optional<uint32_t> startMs, endMs;  // trim
    bool keepTimestamps = false;             // trim
    uint32_t everyMs = 0;                    // split
    uint16_t delayed = 0;                    // delay: the output stream, modulo the streams listed
    int32_t delayMs = 0;
};

Edit readEdit(const uint8_t* bytes)
{
    Edit edit;
    edit.operation = static_cast<Operation>((bytes[0] & 0x07) % 5);
    edit.verify = (bytes[0] & 0x08) != 0;
    edit.cancel = bytes[0] >> 4 == 14 ? Cancel::AtStart : bytes[0] >> 4 == 15 ? Cancel::AtVerify : Cancel::None;
    // Trim: a start in steps of 200 ms (0: none), an end that many steps of
    // 100 ms after it (0: none), and the timestamps kept when byte 3 is odd.
    if (bytes[1] != 0)
        edit.startMs = (bytes[1] - 1) * 200u;
    if (bytes[2] != 0)
        edit.endMs = edit.startMs.value_or(0) + bytes[2] * 100u;
    edit.keepTimestamps = (bytes[3] & 1) != 0;
    edit.everyMs = (bytes[1] + 1) * 100u;
    edit.delayed = bytes[1];
    edit.delayMs = static_cast<int16_t>(bytes[2] << 8 | bytes[3]);
    return edit;
}

// The edit run on the calling thread, as kestrova-cli runs it on its worker.
struct EditRun {
    int32_t listed = 0;  // streams Scan listed; 0: it refused the source, and nothing ran
    MuxJob job;
};

EditRun runEdit(const Edit& edit, bool verify, const std::string& source, const std::string& output)
{
    EditRun run;
    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    MuxJob& job = run.job;
    job.repair = edit.operation == Operation::Repair;
    const int files = edit.operation == Operation::Append ? 2 : 1;
    for (int k = 0; k < files; ++k) {
        run.listed = muxer.Scan(source, names, kinds, numbers, job.repair);
        if (run.listed == 0)
            return run;
        JobInput input{muxer.LastScanSource(), {}};
        for (int32_t s = 0; s < run.listed; ++s) {
            input.streams.push_back(numbers[s]);
            job.selection[input.file * 10 + numbers[s]] = 1;
        }
        job.inputs.push_back(input);
    }
    job.muxer = &muxer;
    job.verify = verify;
    switch (edit.operation) {
    case Operation::Repair:
        break;
    case Operation::Trim:
        job.startMs = edit.startMs;
        job.endMs = edit.endMs;
        job.keepTimestamps = edit.keepTimestamps;
        break;
    case Operation::Split:
        job.split.everyMs = edit.everyMs;
        break;
    case Operation::Delay:
        job.delays[static_cast<uint16_t>(edit.delayed % run.listed)] = edit.delayMs;
        break;
    case Operation::Append:
        job.layout = JobLayout::EndToEnd;
        break;
    }
    ResetMergeSignals();
    if (edit.cancel == Cancel::AtStart)
        g_stop = 1;
    if (edit.cancel == Cancel::AtVerify)
        job.beforeVerify = [](const std::string&) { g_stop = 1; };
    muxer.SetOutputPath(output);
    MuxWorker(&job);
    job.muxer = nullptr;  // gone with this function
    return run;
}

bool hasProblem(const SourceCheck& check, ProblemKind kind)
{
    return std::any_of(check.problems.begin(), check.problems.end(),
                       [kind](const CheckProblem& problem) { return problem.kind == kind; });
}

// What a completed edit must have written at `path`, a copy of `source`
// (whose check is `sourceCheck`) edited by `edit`.
void checkOutput(const std::string& path, const Edit& edit, const std::string& source, const SourceCheck& sourceCheck)
{
    const std::string bytes = readFileBytes(path);
    std::string error;
    const auto out = parseRm(bytes, &error);
    fuzzCheck(out.has_value(), path + " is not well-formed: " + error);

    // A repair reads past damage that check stops at, and finds there
    // packets check has not seen.
    const bool backwardsAllowed =
        edit.operation == Operation::Repair || hasProblem(sourceCheck, ProblemKind::TimestampBackwards);
    const SourceCheck check = CheckSource(path);
    for (const CheckProblem& problem : check.problems)
        fuzzCheck(problem.kind == ProblemKind::TimestampBackwards && backwardsAllowed,
                  "check finds a problem in " + path + ": " + problem.text);

    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    const int32_t listed = muxer.Scan(path, names, kinds);
    fuzzCheck(listed == static_cast<int32_t>(out->streams.size()),
              "Scan lists " + std::to_string(listed) + " of the " + std::to_string(out->streams.size()) + " streams of "
                  + path + " " + muxer.LastScanMessage());

    // Timestamps past the largest there is are not written as the largest:
    // no more packets of an output lie there than of the source (a repair
    // shifts none, and may find packets the runs do not hold).
    if (edit.operation == Operation::Repair)
        return;
    std::size_t atLargest = 0;
    for (const std::vector<ParsedPacket>& run : packetRuns(source))
        atLargest = std::max<std::size_t>(atLargest, std::count_if(run.begin(), run.end(), [](const ParsedPacket& p) {
                                              return p.timestamp == UINT32_MAX;
                                          }));
    fuzzCheck(std::count_if(out->packets.begin(), out->packets.end(),
                            [](const ParsedPacket& p) { return p.timestamp == UINT32_MAX; })
                  <= static_cast<std::ptrdiff_t>(atLargest),
              "packets of " + path + " are put at 4,294,967,295 ms");
}

// The files a completed edit wrote, checked one by one and then removed;
// the folder holds nothing else but the source.
void checkCompleted(const TempDir& dir, const MuxJob& job, const std::string& outputPath, const Edit& edit,
                    const std::string& source)
{
    std::vector<std::string> written;
    if (job.parts.empty())
        written.push_back(outputPath);
    for (const SplitPart& part : job.parts)
        written.push_back(part.path);
    std::vector<std::string> expected{"source.rm"};
    for (const std::string& path : written)
        expected.push_back(std::filesystem::path(path).filename().string());
    std::sort(expected.begin(), expected.end());
    fuzzCheck(dir.entries() == expected, "the folder holds other files than the source and the output");

    const SourceCheck sourceCheck = CheckSource(dir.file("source.rm"));
    for (const std::string& path : written) {
        checkOutput(path, edit, source, sourceCheck);
        std::filesystem::remove(path);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TempDir dir;
    if (size < kEditBytes)
        return 0;
    const Edit edit = readEdit(data);
    const std::string sourcePath = dir.file("source.rm");
    const std::string outputPath = dir.file("out.rm");
    const std::string bytes(reinterpret_cast<const char*>(data) + kEditBytes, size - kEditBytes);
    writeFileBytes(sourcePath, bytes);
    const std::vector<std::string> sourceOnly{"source.rm"};

    const EditRun run = runEdit(edit, edit.verify, sourcePath, outputPath);
    if (run.listed == 0)
        return 0;
    const MuxJob& job = run.job;
    fuzzCheck(readFileBytes(sourcePath) == bytes, "the source was changed");
    fuzzCheck(job.outcome == MuxOutcome::Cancelled || g_progress == kProgressDone, "the end of the run was not signalled");
    if (edit.cancel == Cancel::AtStart || (edit.cancel == Cancel::AtVerify && edit.verify))
        fuzzCheck(job.outcome != MuxOutcome::Completed, "an edit cancelled while it ran completed");
    if (job.outcome != MuxOutcome::Completed) {
        fuzzCheck(job.outcome == MuxOutcome::Failed || job.outcome == MuxOutcome::Cancelled, "the edit did not run");
        fuzzCheck(dir.entries() == sourceOnly, "a failed or cancelled edit left files behind");
        // The output's verify agrees with the edit: what completes without
        // it, with an output that passes every check here, completes with it.
        if (edit.verify && job.outcome == MuxOutcome::Failed) {
            const EditRun plain = runEdit(edit, false, sourcePath, outputPath);
            if (plain.job.outcome == MuxOutcome::Completed) {
                checkCompleted(dir, plain.job, outputPath, edit, bytes);
                fuzzCheck(false, "verify fails an edit that completes: " + job.error);
            }
            fuzzCheck(dir.entries() == sourceOnly, "a failed or cancelled edit left files behind");
        }
        return 0;
    }
    checkCompleted(dir, job, outputPath, edit, bytes);
    return 0;
}
