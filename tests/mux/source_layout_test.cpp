// The packet loop's memory does not depend on how a source lays out its
// streams: a source that stores one stream after the other is merged into
// the same bytes as the same streams interleaved, while no queue and no
// window grows past its bound; an interleaved source is read in one pass.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// Three streams with `count` packets each, with timestamps that interleave:
// either stored in timestamp order, or stream after stream. Stream 2 is
// not selected and only read past.
FileSpec threeStreams(uint32_t count, std::size_t payload, bool oneAfterAnother)
{
    FileSpec plan;
    plan.streams.resize(3);
    plan.streams[1].number = 1;
    plan.streams[2].number = 2;
    for (uint32_t k = 0; k < count; ++k)
        for (uint16_t s = 0; s < 3; ++s)
            plan.packets.push_back({s, k * 10 + s, std::string(payload + k % 7, static_cast<char>('a' + (k + s) % 26))});
    if (oneAfterAnother)
        std::stable_sort(plan.packets.begin(), plan.packets.end(),
                         [](const PacketSpec& a, const PacketSpec& b) { return a.number < b.number; });
    plan.indexes = {{0, {0, 500, 1000}}, {1, {1, 2001}}};
    return plan;
}

struct LayoutFixture : ::testing::Test {
    TempDir dir;

    // Merges streams 0 and 1 of the plan; returns the output's bytes.
    std::string merge(const FileSpec& plan, const std::string& name, RmMuxer::ReadAhead& readAhead)
    {
        writeFileBytes(dir.file(name + ".rm"), buildFile(plan));
        RmMuxer muxer;
        addSources(muxer, {dir.file(name + ".rm")});
        const MuxJob job = runMerge(muxer, {0, 1}, dir.file(name + "-out.rm"));
        EXPECT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
        EXPECT_TRUE(job.warnings.empty());
        readAhead = muxer.LastReadAhead();
        return readFileBytes(dir.file(name + "-out.rm"));
    }
};

}  // namespace

TEST_F(LayoutFixture, StreamsStoredOneAfterAnotherMergeAsIfInterleavedWithinBounds)
{
    // Large packets fill a window long before a queue is full; many small
    // ones fill a queue first.
    for (const auto& [count, payload] : {std::pair<uint32_t, std::size_t>{1500, 1000}, {6000, 20}}) {
        SCOPED_TRACE(std::to_string(count) + " packets of " + std::to_string(payload) + " bytes a stream");
        RmMuxer::ReadAhead interleavedReads;
        RmMuxer::ReadAhead separateReads;
        const std::string interleaved = merge(threeStreams(count, payload, false), "interleaved", interleavedReads);
        const std::string separate = merge(threeStreams(count, payload, true), "separate", separateReads);
        // The interleave order is a property of the timestamps, not of the layout.
        EXPECT_EQ(checksum(separate), checksum(interleaved));
        EXPECT_EQ(separate.size(), interleaved.size());
        const ParsedFile out = parseRm(separate).value();
        EXPECT_EQ(out.packets.size(), 2 * count);

        // Stored apart, stream 1 waits far behind stream 0: it is read by a
        // cursor of its own, and nothing grows past its bound.
        EXPECT_EQ(separateReads.ownCursors, 1);
        EXPECT_LE(separateReads.queuedPackets, PacketQueue::kCapacity);
        EXPECT_LE(separateReads.windowBytes, SourceCursor::kWindowLimit);
        // Interleaved, both are found in one pass, a packet or two apart.
        EXPECT_EQ(interleavedReads.ownCursors, 0);
        EXPECT_LE(interleavedReads.queuedPackets, 2u);
        EXPECT_LE(interleavedReads.windowBytes, SourceCursor::kWindowLimit);
    }
}
