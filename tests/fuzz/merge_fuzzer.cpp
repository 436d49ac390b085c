// Merges arbitrary bytes as a source file: the file is scanned and, when it
// is accepted, every usable stream it lists is merged into a new file, as
// `kestrova-cli merge -o OUT FILE` does. Whatever the bytes, the merge must
// not crash, hang or touch memory it does not own; it must leave the source
// as it was; and it must write a file our own strict reader accepts and
// kestrova-cli check finds no problem in (but timestamps going backwards,
// copied from the source), each stream of it a copy of the first packets of
// a stream of the source. The merge verifies its output too, and that must
// never fail; and check, reading the source, agrees with Scan and the merge
// on what it holds.
#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "source_packets.h"
#include "mux/merge_signals.h"
#include "mux/source_check.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "support/whole_file_merge.h"

using namespace testing_rm;

namespace {

// True when, for one of the "DATA" ids in `source`, every stream of `out`
// is the start of one stream of the packets from there on (through the data
// chunks that follow it), copied byte for byte.
bool streamsComeFromTheSource(const std::string& source, const ParsedFile& out)
{
    if (out.packets.empty())
        return true;
    for (const std::vector<ParsedPacket>& run : packetRuns(source)) {
        bool every = true;
        for (uint16_t o = 0; o < out.streams.size() && every; ++o) {
            const std::vector<ParsedPacket> copy = packetsOf(out, o);
            bool found = copy.empty();
            for (uint16_t s = 0; s < 10 && !found; ++s)
                found = isPrefixCopy(copy, packetsOf(run, s));
            every = found;
        }
        if (every)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TempDir dir;
    const std::string sourcePath = dir.file("source.rm");
    const std::string outputPath = dir.file("out.rm");
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    writeFileBytes(sourcePath, bytes);

    // check reads the source as the merge does: it calls the file unusable
    // exactly where Scan finds it invalid (Scan's limits aside), and finds
    // the packets the merge copies.
    const SourceCheck source = CheckSource(sourcePath);
    bool refused = false;
    for (const CheckProblem& problem : source.problems)
        refused = refused || problem.kind == ProblemKind::Refused;
    const WholeFileMerge merge = mergeWholeFile(sourcePath, outputPath, true);
    fuzzCheck(!refused || merge.listed.numbers.empty(), "check refuses a file that Scan accepts");
    fuzzCheck(refused || merge.scanMessage != "Invalid RM file or no usable streams",
              "Scan finds invalid a file that check does not refuse");
    if (merge.listed.numbers.empty())
        return 0;

    fuzzCheck(readFileBytes(sourcePath) == bytes, "the source was changed");
    fuzzCheck(g_progress == kProgressDone && g_stop == 1, "the end of the run was not signalled");
    // Nothing but the source decides the outcome here: the output folder is
    // writable, and the merge walks the file as Scan did. A source without a
    // single packet fails the merge, and nothing is written.
    bool packetless = merge.job.outcome == MuxOutcome::Failed;
    for (const StreamReport& stream : merge.job.streams)
        packetless = packetless && stream.packets == 0;
    if (packetless) {
        fuzzCheck(dir.entries() == std::vector<std::string>{"source.rm"}, "a failed merge left files behind");
        return 0;
    }
    fuzzCheck(merge.job.outcome == MuxOutcome::Completed, "a file Scan accepted did not merge: " + merge.job.error);
    for (const StreamReport& stream : merge.job.streams) {
        const auto checked = std::find_if(source.streams.begin(), source.streams.end(),
                                          [&](const StreamCheck& s) { return s.number == stream.sourceStream; });
        fuzzCheck(checked != source.streams.end() && checked->packets == stream.packets,
                  "check and the merge found different packets in stream " + std::to_string(stream.sourceStream));
    }
    fuzzCheck(dir.entries() == std::vector<std::string>{"out.rm", "source.rm"}, "the folder holds other files");

    std::string error;
    const auto out = parseRm(readFileBytes(outputPath), &error);
    fuzzCheck(out.has_value(), "the output is not well-formed: " + error);
    fuzzCheck(out->streams.size() <= merge.listed.numbers.size(), "more output streams than listed streams");
    fuzzCheck(streamsComeFromTheSource(bytes, *out), "an output stream is not a copy of a source stream");
    // Timestamps that go backwards are the only problem an output may
    // have, as a copy of a source that has them.
    for (const CheckProblem& problem : CheckSource(outputPath).problems)
        fuzzCheck(problem.kind == ProblemKind::TimestampBackwards, "check finds a problem in the output: " + problem.text);
    std::filesystem::remove(outputPath);
    return 0;
}
