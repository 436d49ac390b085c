// The packet loop: timestamp order, read-ahead queues, byte-for-byte copies,
// index records pointed at their packets, counts and progress.
#include <gtest/gtest.h>

#include <numeric>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

StreamSpec stream(uint16_t number)
{
    StreamSpec s;
    s.number = number;
    s.name = "s" + std::to_string(number);
    return s;
}

struct InterleaveFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;

    std::string source(const std::string& name, const FileSpec& plan)
    {
        writeFileBytes(dir.file(name), buildFile(plan));
        return dir.file(name);
    }

    ParsedFile merged(std::initializer_list<int> keys) { return mergedFile(muxer, keys, dir.file("out.rm")); }
};

std::vector<std::pair<uint16_t, uint32_t>> order(const ParsedFile& f)
{
    std::vector<std::pair<uint16_t, uint32_t>> out;
    for (const ParsedPacket& p : f.packets)
        out.emplace_back(p.number, p.timestamp);
    return out;
}

}  // namespace

TEST_F(InterleaveFixture, StreamsFromTwoFilesAreWrittenInTimestampOrder)
{
    FileSpec first;
    first.streams = {stream(0)};
    first.packets = {{0, 0, "a"}, {0, 100, "b"}, {0, 200, "c"}};
    FileSpec second;
    second.streams = {stream(0)};
    second.packets = {{0, 0, "d"}, {0, 50, "e"}, {0, 150, "f"}};
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    const ParsedFile out = merged({0, 10});
    EXPECT_EQ(order(out), (std::vector<std::pair<uint16_t, uint32_t>>{
                              {0, 0}, {1, 0}, {1, 50}, {0, 100}, {1, 150}, {0, 200}}));
}

TEST_F(InterleaveFixture, StreamsOfOneFileWaitInTheirQueuesForTheirTurn)
{
    // Stream 1's packets lie early in the file but play late.
    FileSpec plan;
    plan.streams = {stream(0), stream(1)};
    plan.packets = {{1, 300, "late1"}, {1, 400, "late2"}, {0, 0, "e1"}, {0, 100, "e2"}, {0, 500, "e3"}};
    addSources(muxer, {source("a.rm", plan)});
    const ParsedFile out = merged({0, 1});
    EXPECT_EQ(order(out), (std::vector<std::pair<uint16_t, uint32_t>>{
                              {0, 0}, {0, 100}, {1, 300}, {1, 400}, {0, 500}}));
    EXPECT_EQ(out.packets[2].payload, "late1");
}

TEST_F(InterleaveFixture, EqualTimestampsGoToTheLowestOutputNumberAndMaxTimestampIsWritten)
{
    FileSpec plan;
    plan.streams = {stream(0), stream(1)};
    plan.packets = {{1, 7, "b"}, {0, 7, "a"}, {1, 0xFFFFFFFF, "last"}};
    addSources(muxer, {source("a.rm", plan)});
    const ParsedFile out = merged({0, 1});
    EXPECT_EQ(order(out), (std::vector<std::pair<uint16_t, uint32_t>>{{0, 7}, {1, 7}, {1, 0xFFFFFFFF}}));
}

TEST_F(InterleaveFixture, PacketsAreCopiedByteForByteButForTheirStreamNumber)
{
    FileSpec plan;
    plan.streams = {stream(0), stream(4)};
    // A version-1 header is a byte longer; that byte travels as payload.
    plan.packets = {{4, 10, std::string("\x07payload\x00\xff", 10), 0x02, 5, 1},
                    {0, 20, "skipped"},
                    {4, 30, std::string(3000, '\x5a'), 0x01, 0, 0}};
    const std::string path = source("a.rm", plan);
    addSources(muxer, {path});
    const ParsedFile out = merged({4});
    const ParsedFile in = parseRm(readFileBytes(path)).value();
    const auto original = packetsOf(in, 4);
    ASSERT_EQ(out.packets.size(), original.size());
    for (std::size_t k = 0; k < original.size(); ++k) {
        EXPECT_EQ(out.packets[k].number, 0u);
        EXPECT_EQ(out.packets[k].version, original[k].version);
        EXPECT_EQ(out.packets[k].length, original[k].length);
        EXPECT_EQ(out.packets[k].timestamp, original[k].timestamp);
        EXPECT_EQ(out.packets[k].group, original[k].group);
        EXPECT_EQ(out.packets[k].flags, original[k].flags);
        EXPECT_EQ(out.packets[k].payload, original[k].payload);
    }
}

TEST_F(InterleaveFixture, CountsSizesAndOffsetsDescribeTheOutput)
{
    FileSpec first;
    first.streams = {stream(0)};
    FileSpec second;
    second.streams = {stream(0)};
    for (uint32_t k = 0; k < 10; ++k) {
        first.packets.push_back({0, k * 10, std::string(k + 1, 'a')});
        second.packets.push_back({0, k * 10 + 5, std::string(20 - k, 'b')});
    }
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    const ParsedFile out = merged({0, 10});
    EXPECT_EQ(out.dataNumPackets, 20u);
    EXPECT_EQ(out.numPackets, 20u);
    const uint32_t lengths = std::accumulate(out.packets.begin(), out.packets.end(), 0u,
                                             [](uint32_t sum, const ParsedPacket& p) { return sum + p.length; });
    EXPECT_EQ(out.dataSize, 18 + lengths);
    ASSERT_FALSE(out.indexes.empty());
    EXPECT_EQ(out.indexOffset, out.indexes[0].offset);
    EXPECT_EQ(out.indexOffset, out.dataOffset + out.dataSize);
}

TEST_F(InterleaveFixture, IndexRecordsPointAtTheirPacketsAndCountThem)
{
    FileSpec video;
    video.streams = {stream(0)};
    FileSpec audio;
    audio.streams = {stream(0)};
    for (uint32_t k = 0; k < 6; ++k) {
        video.packets.push_back({0, k * 100, "frame" + std::to_string(k)});
        // A second packet with the same timestamp: only the first matches.
        video.packets.push_back({0, k * 100, "slice" + std::to_string(k)});
        audio.packets.push_back({0, k * 100 + 30, "audio" + std::to_string(k)});
    }
    video.indexes = {{0, {0, 200, 400}}};
    audio.indexes = {{0, {30, 130, 230, 330, 430, 530}}};
    addSources(muxer, {source("v.rm", video), source("a.rm", audio)});
    const ParsedFile out = merged({0, 10});
    ASSERT_EQ(out.indexes.size(), 2u);
    for (const ParsedIndex& index : out.indexes) {
        for (const ParsedIndexRecord& r : index.records) {
            std::size_t k = 0;
            while (k < out.packets.size()
                   && (out.packets[k].number != index.number || out.packets[k].timestamp != r.timestamp))
                ++k;
            ASSERT_LT(k, out.packets.size());
            EXPECT_EQ(r.offset, out.packets[k].offset) << "stream " << index.number << " at " << r.timestamp;
            EXPECT_EQ(r.packetCount, k);
        }
    }
}

TEST_F(InterleaveFixture, IndexRecordWithoutItsPacketHoldsBackTheRestOfTheStream)
{
    FileSpec plan;
    plan.streams = {stream(0)};
    plan.packets = {{0, 0, "a"}, {0, 100, "b"}, {0, 200, "c"}};
    plan.indexes = {{0, {0, 50, 200}}};
    const std::string path = source("a.rm", plan);
    const ParsedFile in = parseRm(readFileBytes(path)).value();
    addSources(muxer, {path});
    const ParsedFile out = merged({0});
    const auto& records = out.indexes[0].records;
    ASSERT_EQ(in.indexes[0].records.size(), 3u);
    // Never matched, the records from the one for 50 ms on would point
    // where the source's packets were: they are left out of the output.
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].offset, out.packets[0].offset);
    EXPECT_EQ(out.indexes[0].size, 20u + 14);
}

TEST_F(InterleaveFixture, ProgressEndsAt255AndTheRunSignalsItsEnd)
{
    FileSpec plan;
    plan.streams = {stream(0)};
    plan.packets = {{0, 0, "a"}, {0, 100, "b"}};
    plan.indexes = {{0, {0, 100}}};
    addSources(muxer, {source("a.rm", plan)});
    merged({0});
    EXPECT_EQ(g_progress.load(), 255);
    EXPECT_EQ(g_stop.load(), 1);
    // A completed merge closes its sources.
    EXPECT_FALSE(muxer.m_files[0]);
    EXPECT_EQ(muxer.m_fileCount, 1);
}

TEST_F(InterleaveFixture, ProgressFollowsIndexRecordsOrElseTheBytesRead)
{
    FileSpec plan;
    plan.streams = {stream(0)};
    for (uint32_t k = 0; k < 4; ++k)
        plan.packets.push_back({0, k, std::string(100, 'x')});
    plan.indexes = {{0, {0, 1, 2, 3}}};
    addSources(muxer, {source("indexed.rm", plan)});
    // Cancelling after the first packet leaves the progress it had reached.
    ASSERT_EQ(runCancelledMerge(muxer, {0}, dir.file("out.rm")).outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(g_progress.load(), 25);

    // Without index records the share of data read stands in.
    plan.indexes.clear();
    RmMuxer plain;
    addSources(plain, {source("plain.rm", plan)});
    ASSERT_EQ(runCancelledMerge(plain, {0}, dir.file("out.rm")).outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(g_progress.load(), 25);
}
