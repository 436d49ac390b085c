// Every sample file, and a file the builder makes, cut short at every chunk
// and packet boundary and at a spread of offsets inside chunks and packets.
// A cut file is either refused with a reason, or listed as the whole file is
// and merged, verified, into a well-formed file that passes check and holds
// exactly the packets that are whole before the cut, with a warning when the
// cut fell inside the data chunk; a cut that leaves no whole packet fails
// the merge with a message.
// The cut file itself is never changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "mux/source_check.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "support/whole_file_merge.h"

using namespace testing_rm;

namespace {

// A file the builder makes, with what the samples lack: two indexed streams
// whose packets alternate, and a content chunk.
std::string builtSample()
{
    FileSpec layout;
    layout.streams.resize(2);
    layout.streams[1].number = 1;
    layout.content = {"title", "author", "copyright", "comment"};
    for (uint32_t k = 0; k < 12; ++k)
        layout.packets.push_back({static_cast<uint16_t>(k % 2), k * 40, std::string(20 + k, 'a' + k)});
    layout.indexes = {{0, {0, 80, 160}}, {1, {40, 120, 200, 280}}};
    return buildFile(layout);
}

// Offsets to cut at: the start and end of each chunk, and of a spread of
// packets and index records (the first and last five, and thirty between);
// inside each of these a few bytes in, in the middle and a byte short.
std::set<uint64_t> cutPoints(const std::string& bytes)
{
    const ParsedFile file = parseSource(bytes).value();
    std::set<uint64_t> cuts;
    const auto piece = [&](uint64_t start, uint64_t length) {
        for (uint64_t d : {uint64_t{0}, uint64_t{1}, uint64_t{2}, uint64_t{4}, uint64_t{11}, length / 2, length - 1,
                           length})
            if (d <= length)
                cuts.insert(start + d);
    };
    const auto spread = [](std::size_t k, std::size_t count) {
        return k < 5 || k + 5 >= count || k % std::max<std::size_t>(1, count / 30) == 0;
    };
    piece(0, 18);
    for (std::size_t i = 0; i < file.headerOffsets.size(); ++i) {
        const uint64_t start = file.headerOffsets[i];
        const uint64_t end = i + 1 < file.headerOffsets.size() ? file.headerOffsets[i + 1] : start + 18;
        piece(start, end - start);
    }
    for (std::size_t k = 0; k < file.packets.size(); ++k)
        if (spread(k, file.packets.size()))
            piece(file.packets[k].offset, file.packets[k].length);
    for (const ParsedIndex& index : file.indexes) {
        piece(index.offset, 20);
        for (std::size_t k = 0; k < index.records.size(); ++k)
            if (spread(k, index.records.size()))
                piece(index.offset + 20 + 14 * k, 14);
    }
    cuts.insert(bytes.size());
    std::erase_if(cuts, [&](uint64_t cut) { return cut > bytes.size(); });
    return cuts;
}

struct TruncationFixture : ::testing::Test {
    TempDir dir;

    // Scans and merges the first `cut` bytes of `whole` (read as `full`);
    // returns whether the cut file was accepted, and its listing.
    bool cutAndMerge(const std::string& whole, const ParsedFile& full, uint64_t cut, ListedStreams& listing)
    {
        const std::string bytes = whole.substr(0, cut);
        const std::string path = dir.file("cut.rm");
        writeFileBytes(path, bytes);
        const WholeFileMerge merge = mergeWholeFile(path, dir.file("out.rm"), true);
        listing = merge.listed;
        if (listing.numbers.empty()) {
            EXPECT_FALSE(merge.scanMessage.empty());
            return false;
        }
        EXPECT_EQ(readFileBytes(path), bytes);
        // Exactly the packets that are whole before the cut, in file order.
        const ParsedFile source = parseSource(bytes).value_or(ParsedFile{});
        bool anyPacket = false;
        for (uint16_t number : listing.numbers)
            anyPacket = anyPacket || !packetsOf(source, number).empty();
        if (!anyPacket) {
            EXPECT_EQ(merge.job.outcome, MuxOutcome::Failed);
            EXPECT_NE(merge.job.error.find(path + " holds no packets"), std::string::npos) << merge.job.error;
            return true;
        }
        EXPECT_EQ(merge.job.outcome, MuxOutcome::Completed) << merge.job.error;
        // The source is damaged, and the merge says so, where the cut takes
        // any of its packets away: packets cut in two, or a count they miss.
        const ParsedPacket& last = full.packets.back();
        EXPECT_EQ(!merge.job.warnings.empty(), cut < last.offset + last.length);
        std::string error;
        const auto out = parseRm(readFileBytes(dir.file("out.rm")), &error);
        EXPECT_TRUE(out) << error;
        if (!out)
            return true;
        for (const CheckProblem& problem : CheckSource(dir.file("out.rm")).problems)
            ADD_FAILURE() << "the output has a problem at byte " << problem.offset << ": " << problem.text;

        EXPECT_EQ(out->streams.size(), listing.numbers.size());
        for (uint16_t o = 0; o < out->streams.size() && o < listing.numbers.size(); ++o) {
            const auto copy = packetsOf(*out, o);
            const auto expected = packetsOf(source, listing.numbers[o]);
            EXPECT_EQ(copy.size(), expected.size()) << "stream " << o;
            EXPECT_TRUE(isPrefixCopy(copy, expected)) << "stream " << o;
            EXPECT_TRUE(isPrefixCopy(copy, packetsOf(full, listing.numbers[o]))) << "stream " << o;
        }
        std::filesystem::remove(dir.file("out.rm"));
        return true;
    }

    void cutEverywhere(const std::string& name, const std::string& whole)
    {
        const ParsedFile full = parseSource(whole).value();
        ListedStreams wholeListing;
        const bool wholeAccepted = cutAndMerge(whole, full, whole.size(), wholeListing);
        bool accepted = false;
        for (uint64_t cut : cutPoints(whole)) {
            SCOPED_TRACE(name + " cut at " + std::to_string(cut) + " of " + std::to_string(whole.size()));
            ListedStreams listing;
            const bool now = cutAndMerge(whole, full, cut, listing);
            // Once the header section is whole, every longer cut is accepted
            // and lists what the whole file lists; before that, none is.
            EXPECT_FALSE(accepted && !now);
            if (now) {
                EXPECT_EQ(listing, wholeListing);
            }
            accepted = now;
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"cut.rm"});
            if (HasFailure())
                return;
        }
        EXPECT_EQ(accepted, wholeAccepted);
    }
};

}  // namespace

struct SampleTruncation : TruncationFixture, ::testing::WithParamInterface<const char*> {};

TEST_P(SampleTruncation, CutAnywhere)
{
    cutEverywhere(GetParam(), readFileBytes(dataFile(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(SampleFiles, SampleTruncation,
                         ::testing::Values("audio_ac3_meta.rm", "audio_ra144.rm", "audio_ra144_indexed.rm",
                                           "audio_ra144_indexed_duration.rm", "helix_truncated.rm", "video_rv10.rm",
                                           "video_rv20_ac3.rm", "video_rv20_indexed.rm"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST_F(TruncationFixture, BuiltFileWithIndexesAndContentCutAnywhere)
{
    cutEverywhere("built", builtSample());
}
