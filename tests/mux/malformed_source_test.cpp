// Sources whose index chunks or packets lie: the merge ends, never reads
// outside the data it was given, and writes a well-formed file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mux/source_check.h"
#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

FileSpec indexedSource()
{
    FileSpec plan;
    plan.streams.resize(2);
    plan.streams[1].number = 1;
    for (uint32_t k = 0; k < 6; ++k) {
        plan.packets.push_back({0, k * 100, "zero" + std::to_string(k)});
        plan.packets.push_back({1, k * 100 + 50, "one" + std::to_string(k)});
    }
    plan.indexes = {{0, {0, 100, 200}}, {1, {50, 150}}};
    return plan;
}

// Offsets in a built file, read back with the independent parser.
struct Layout {
    std::string bytes;
    ParsedFile parsed;
    explicit Layout(const FileSpec& plan) : bytes(buildFile(plan)), parsed(parseRm(bytes).value()) {}
    void put32(uint64_t at, uint32_t v) { bytes.replace(at, 4, be32(v)); }
    void put16(uint64_t at, uint16_t v) { bytes.replace(at, 2, be16(v)); }
    // Offsets of PROP fields from the start of the file.
    static constexpr uint64_t kPropNumPackets = 18 + 26;
    static constexpr uint64_t kPropIndexOffset = 18 + 38;
};

struct MalformedFixture : ::testing::Test {
    TempDir dir;

    // Merges both streams of `bytes`, which must give all twelve packets
    // and one warning, at `offset` and saying `text`.
    void expectAllPacketsAndAWarning(const std::string& bytes, uint64_t offset, const std::string& text)
    {
        writeFileBytes(dir.file("warned.rm"), bytes);
        RmMuxer muxer;
        addSources(muxer, {dir.file("warned.rm")});
        const MuxJob job = runMerge(muxer, {0, 1}, dir.file("warned-out.rm"));
        ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
        EXPECT_EQ(parseRm(readFileBytes(dir.file("warned-out.rm"))).value().packets.size(), 12u);
        ASSERT_EQ(job.warnings.size(), 1u);
        EXPECT_EQ(job.warnings[0].offset, offset);
        EXPECT_EQ(job.warnings[0].text, text);
        std::filesystem::remove(dir.file("warned-out.rm"));
    }

    // Merges both streams of `bytes`; the output must be well-formed and
    // pass kestrova-cli check, however the source lied.
    ParsedFile mergeAll(const std::string& bytes)
    {
        writeFileBytes(dir.file("in.rm"), bytes);
        RmMuxer muxer;
        addSources(muxer, {dir.file("in.rm")});
        ParsedFile out = mergedFile(muxer, {0, 1}, dir.file("out.rm"));
        for (const CheckProblem& problem : CheckSource(dir.file("out.rm")).problems)
            ADD_FAILURE() << "the output has a problem at byte " << problem.offset << ": " << problem.text;
        return out;
    }
};

std::vector<std::string> payloads(const ParsedFile& f)
{
    std::vector<std::string> out;
    for (const ParsedPacket& p : f.packets)
        out.push_back(p.payload);
    return out;
}

}  // namespace

TEST_F(MalformedFixture, IndexChainsThatNeverEndAreWalkedOnce)
{
    Layout base(indexedSource());
    const ParsedIndex& first = base.parsed.indexes[0];
    const ParsedIndex& second = base.parsed.indexes[1];
    const uint64_t secondNext = second.offset + 16;

    Layout loop = base;
    loop.put32(secondNext, first.offset);  // back to the first chunk
    Layout self = base;
    self.put32(first.offset + 16, first.offset);
    Layout outside = base;
    outside.put32(first.offset + 16, 0xFFFFFF00);
    Layout notIndex = base;
    notIndex.put32(first.offset + 16, 30);  // points into the header section

    for (Layout* variant : {&loop, &self, &outside, &notIndex}) {
        const ParsedFile out = mergeAll(variant->bytes);
        EXPECT_EQ(out.packets.size(), 12u);
        ASSERT_EQ(out.indexes.size(), 2u);
        EXPECT_EQ(out.indexes[0].numIndices, 3u);
    }
    // A chain that stops early leaves the second stream without the
    // source's records: its index is built from its packets instead (all
    // within the first second: one record).
    const ParsedFile out = mergeAll(outside.bytes);
    ASSERT_EQ(out.indexes[1].numIndices, 1u);
    EXPECT_EQ(out.indexes[1].records[0].timestamp, 50u);
}

TEST_F(MalformedFixture, IndexRecordsThatPointAtNoPacketAreLeftOut)
{
    // The second stream's first record names a timestamp none of its
    // packets has: the source's offset it carries points at nothing in the
    // output, and neither would those of the records after it.
    FileSpec plan = indexedSource();
    plan.indexes = {{0, {0, 100, 200}}, {1, {60, 150, 250}}};
    const ParsedFile out = mergeAll(buildFile(plan));
    ASSERT_EQ(out.indexes.size(), 2u);
    EXPECT_EQ(out.indexes[0].numIndices, 3u);
    for (const ParsedIndexRecord& record : out.indexes[1].records) {
        ASSERT_LT(record.packetCount, out.packets.size());
        EXPECT_EQ(out.packets[record.packetCount].offset, record.offset);
        EXPECT_EQ(out.packets[record.packetCount].timestamp, record.timestamp);
    }
}

TEST_F(MalformedFixture, NoIndexOffsetMeansNoIndexChunks)
{
    Layout layout(indexedSource());
    layout.put32(Layout::kPropIndexOffset, 0);
    const ParsedFile out = mergeAll(layout.bytes);
    ASSERT_EQ(out.indexes.size(), 2u);
    // Built from the packets instead: one record each, for the first second.
    EXPECT_EQ(out.indexes[0].numIndices, 1u);
    EXPECT_EQ(out.indexes[1].numIndices, 1u);
    EXPECT_EQ(out.indexOffset, out.dataOffset + out.dataSize);
}

TEST_F(MalformedFixture, NumIndicesIsBoundedByTheBytesInTheFile)
{
    Layout layout(indexedSource());
    const ParsedIndex& second = layout.parsed.indexes[1];
    layout.put32(second.offset + 10, 0xFFFFFFFF);
    const ParsedFile out = mergeAll(layout.bytes);
    ASSERT_EQ(out.indexes.size(), 2u);
    // Only the two records that are really there are read.
    EXPECT_EQ(out.indexes[1].numIndices, 2u);
    EXPECT_EQ(out.indexes[1].size, 20u + 28);
}

TEST_F(MalformedFixture, IndexSizeThatLiesIsWrittenToMatchItsRecords)
{
    Layout layout(indexedSource());
    layout.put32(layout.parsed.indexes[0].offset + 4, 999);
    const ParsedFile out = mergeAll(layout.bytes);  // the parser checks the chain
    EXPECT_EQ(out.indexes[0].size, 20u + 3 * 14);
}

TEST_F(MalformedFixture, PacketShorterThanItsHeaderEndsItsSource)
{
    Layout layout(indexedSource());
    // The fifth packet claims a length of 4.
    layout.put16(layout.parsed.packets[4].offset + 2, 4);
    const ParsedFile out = mergeAll(layout.bytes);
    EXPECT_EQ(payloads(out), (std::vector<std::string>{"zero0", "one0", "zero1", "one1"}));
}

TEST_F(MalformedFixture, PacketCrossingTheEndOfTheDataChunkEndsItsSource)
{
    Layout layout(indexedSource());
    // The last packet claims to run on into the index chunks, which the
    // file does hold: only the end of the data chunk tells it is wrong.
    layout.put16(layout.parsed.packets[11].offset + 2, 56);
    const ParsedFile out = mergeAll(layout.bytes);
    EXPECT_EQ(out.packets.size(), 11u);
}

TEST_F(MalformedFixture, NumPacketsLargerThanThePacketsPresentStopsAtTheData)
{
    Layout layout(indexedSource());
    layout.put32(Layout::kPropNumPackets, 120);
    const ParsedFile out = mergeAll(layout.bytes);
    EXPECT_EQ(out.packets.size(), 12u);
}

TEST_F(MalformedFixture, DataSizeThatLiesIsBoundedByTheFileAndTheIndex)
{
    Layout zero(indexedSource());
    zero.put32(zero.parsed.dataOffset + 4, 0);
    zero.put32(Layout::kPropNumPackets, 1000);
    // Without a size, the index chunks still bound the packets.
    EXPECT_EQ(mergeAll(zero.bytes).packets.size(), 12u);

    Layout huge(indexedSource());
    huge.put32(huge.parsed.dataOffset + 4, 0x7FFFFFFF);
    huge.put32(Layout::kPropNumPackets, 1000);
    EXPECT_EQ(mergeAll(huge.bytes).packets.size(), 12u);

    // A size that ends the data after three packets, or inside the fourth:
    // the packets that go on after it, whole up to the index chunks, are
    // read all the same, and the merge says the size was wrong.
    for (uint32_t size : {18u + 17 + 16 + 17, 18u + 17 + 16 + 17 + 7}) {
        Layout shortSize(indexedSource());
        shortSize.put32(shortSize.parsed.dataOffset + 4, size);
        expectAllPacketsAndAWarning(
            shortSize.bytes, shortSize.parsed.dataOffset + size,
            "the data chunk's size ends it here, but its packets go on after it; they were read as well");
    }
}

TEST_F(MalformedFixture, ASecondDataChunkAfterTheIndexIsToldOf)
{
    // A second data chunk after the index chunks, which next_data_header
    // points at: it does not follow the packets, so they are not read, and
    // the merge says so. (One that follows them is read: data_chunks_test.)
    Layout layout(indexedSource());
    const uint64_t second = layout.bytes.size();
    layout.put32(layout.parsed.dataOffset + 14, static_cast<uint32_t>(second));
    layout.bytes += dataHeader(18 + 17, 1) + packet({0, 900, "zero9"});
    expectAllPacketsAndAWarning(
        layout.bytes, second,
        "a data chunk starts here that does not follow the packets before it; its packets were not copied");
}

TEST_F(MalformedFixture, FileCutInsideItsPacketsGivesThePacketsThatAreWhole)
{
    Layout layout(indexedSource());
    const uint64_t cut = layout.parsed.packets[7].offset + 5;
    writeFileBytes(dir.file("in.rm"), layout.bytes.substr(0, cut));
    RmMuxer muxer;
    addSources(muxer, {dir.file("in.rm")});
    ASSERT_EQ(runMerge(muxer, {0, 1}, dir.file("out.rm")).outcome, MuxOutcome::Completed);
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    EXPECT_EQ(out.packets.size(), 7u);
}

TEST_F(MalformedFixture, DataOffsetThatMissesTheDataChunkIsFoundByTheHeaderWalk)
{
    Layout layout(indexedSource());
    layout.put32(18 + 42, 20);  // data_offset into PROP
    const ParsedFile out = mergeAll(layout.bytes);
    EXPECT_EQ(out.packets.size(), 12u);
    EXPECT_EQ(out.streams.size(), 2u);
}

TEST_F(MalformedFixture, SourceWithoutADataChunkFailsTheMergeWithAMessage)
{
    // The Helix file's data_offset points at a metadata chunk, and the file
    // ends with it: its streams are listed, but it has no packet to give.
    RmMuxer muxer;
    addSources(muxer, {dataFile("helix_truncated.rm")});
    const MuxJob job = runMerge(muxer, {0}, dir.file("out.rm"));
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_EQ(job.error, dataFile("helix_truncated.rm") + " holds no packets: it has no whole data chunk");
    EXPECT_TRUE(dir.entries().empty());

    // An empty data chunk is told apart.
    FileSpec empty;
    empty.streams.resize(1);
    writeFileBytes(dir.file("empty.rm"), buildFile(empty));
    RmMuxer second;
    addSources(second, {dir.file("empty.rm")});
    const MuxJob emptyJob = runMerge(second, {0}, dir.file("out.rm"));
    EXPECT_EQ(emptyJob.outcome, MuxOutcome::Failed);
    EXPECT_EQ(emptyJob.error, dir.file("empty.rm") + " holds no packets: its data chunk is empty");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"empty.rm"});
}

TEST_F(MalformedFixture, SourcesPast2GiBAreReadAtTheirRealOffsets)
{
    // A sparse file whose data chunk starts past 3 GiB.
    FileSpec plan;
    plan.streams.resize(1);
    plan.packets = {{0, 0, "far away"}, {0, 10, "farther"}};
    const std::string whole = buildFile(plan);
    const ParsedFile parsed = parseRm(whole).value();
    const uint64_t dataOffset = 3ull << 30;
    std::string head = whole.substr(0, parsed.dataOffset);
    head.replace(18 + 42, 4, be32(static_cast<uint32_t>(dataOffset)));
    {
        std::ofstream out(dir.file("big.rm"), std::ios::binary);
        out.write(head.data(), static_cast<std::streamsize>(head.size()));
        out.seekp(static_cast<std::streamoff>(dataOffset));
        const std::string data = whole.substr(parsed.dataOffset);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    RmMuxer muxer;
    addSources(muxer, {dir.file("big.rm")});
    ASSERT_EQ(runMerge(muxer, {0}, dir.file("out.rm")).outcome, MuxOutcome::Completed);
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    EXPECT_EQ(payloads(out), (std::vector<std::string>{"far away", "farther"}));
}

TEST_F(MalformedFixture, NumbersAboveNineNeverKeyAnotherFilesStream)
{
    // In the first file, packets and an index chunk numbered 12 (which
    // would be the key of the second file's stream 2) and 65535.
    FileSpec first;
    first.streams.resize(1);
    first.packets = {{0, 0, "first"}, {12, 5, "stray twelve"}, {0xFFFF, 6, "stray max"}, {0, 10, "first again"}};
    first.indexes = {{12, {5}}, {0, {0, 10}}};
    FileSpec second;
    second.streams.resize(3);
    second.streams[1].number = 1;
    second.streams[2].number = 2;
    second.packets = {{2, 1, "second"}, {2, 11, "second again"}};
    writeFileBytes(dir.file("first.rm"), buildFile(first));
    writeFileBytes(dir.file("second.rm"), buildFile(second));

    RmMuxer muxer;
    addSources(muxer, {dir.file("first.rm"), dir.file("second.rm")});
    const MuxJob job = runMerge(muxer, {0, 12}, dir.file("out.rm"));
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    EXPECT_EQ(payloads(out), (std::vector<std::string>{"first", "second", "first again", "second again"}));
    ASSERT_EQ(out.indexes.size(), 2u);
    EXPECT_EQ(out.indexes[0].numIndices, 2u);
    // The stray index chunk numbered 12 is not the second file's: its index
    // is built from its own packets.
    EXPECT_EQ(job.streams[1].indexCopied, 0u);
    EXPECT_EQ(job.streams[1].indexBuilt, 1u);
}
