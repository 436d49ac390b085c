// The output's header section and index chunks: which streams are taken and
// renumbered, the merged properties, the helper stream and the chunk counts.
#include <gtest/gtest.h>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

StreamSpec stream(uint16_t number, const std::string& name, uint32_t duration = 1000)
{
    StreamSpec s;
    s.number = number;
    s.name = name;
    s.duration = duration;
    return s;
}

struct HeaderFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;

    std::string source(const std::string& name, const FileSpec& plan)
    {
        writeFileBytes(dir.file(name), buildFile(plan));
        return dir.file(name);
    }

    ParsedFile merged(std::initializer_list<int> keys, bool helper = false)
    {
        return mergedFile(muxer, keys, dir.file("out.rm"), helper);
    }
};

FileSpec threeStreams()
{
    FileSpec plan;
    plan.streams = {stream(0, "zero"), stream(1, "one"), stream(2, "two")};
    plan.packets = {{0, 0, "p0"}, {1, 10, "p1"}, {2, 20, "p2"}, {0, 30, "p3"}};
    return plan;
}

}  // namespace

TEST_F(HeaderFixture, ThreeStreamsGiveSevenHeadersAndThreeIndexChunks)
{
    addSources(muxer, {source("a.rm", threeStreams())});
    const ParsedFile out = merged({0, 1, 2});
    EXPECT_EQ(out.numHeaders, 7u);
    EXPECT_EQ(out.streams.size(), 3u);
    EXPECT_EQ(out.indexes.size(), 3u);
    EXPECT_EQ(out.numStreams, 3u);
    EXPECT_EQ(out.headerIds, (std::vector<std::string>{"PROP", "MDPR", "MDPR", "MDPR", "CONT", "DATA"}));
    // Streams whose source has no index chunk get one built from their
    // packets: here, all within the first second, the first packet.
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(out.indexes[i].number, i);
        ASSERT_EQ(out.indexes[i].numIndices, 1u);
        EXPECT_EQ(out.indexes[i].size, 34u);
        EXPECT_EQ(out.indexes[i].version, 0u);
        EXPECT_EQ(out.indexes[i].records[0].offset, packetsOf(out, i).front().offset);
    }

    // Without index building, each gets an empty chunk.
    RmMuxer again;
    addSources(again, {source("b.rm", threeStreams())});
    const ParsedFile plain = mergedFile(again, {0, 1, 2}, dir.file("plain.rm"), false, false);
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(plain.indexes[i].numIndices, 0u);
        EXPECT_EQ(plain.indexes[i].size, 20u);
    }
}

TEST_F(HeaderFixture, HelperStreamAddsAHeaderAndAnEmptyIndexChunk)
{
    addSources(muxer, {source("a.rm", threeStreams())});
    const ParsedFile out = merged({0, 1, 2}, true);
    EXPECT_EQ(out.numHeaders, 8u);
    ASSERT_EQ(out.streams.size(), 4u);
    const ParsedStream& helper = out.streams[3];
    EXPECT_EQ(helper.size, 74u);
    EXPECT_EQ(helper.number, 3u);
    EXPECT_EQ(helper.name, "");
    EXPECT_EQ(helper.mime, "application/helper");
    EXPECT_EQ(helper.typeSpecific, "1234567890");
    EXPECT_EQ(helper.duration, 0u);
    ASSERT_EQ(out.indexes.size(), 4u);
    EXPECT_EQ(out.indexes[3].size, 20u);
    EXPECT_EQ(out.indexes[3].numIndices, 0u);
    EXPECT_EQ(out.indexes[3].number, 3u);
    EXPECT_EQ(out.indexes[3].next, 0u);
    EXPECT_EQ(out.numStreams, 4u);
    EXPECT_EQ(muxer.m_streamCount, 3);
}

TEST_F(HeaderFixture, HelperStreamAloneTakesIndexVersionZero)
{
    addSources(muxer, {source("a.rm", threeStreams())});
    const ParsedFile out = merged({}, true);
    EXPECT_EQ(out.numHeaders, 5u);
    ASSERT_EQ(out.streams.size(), 1u);
    EXPECT_EQ(out.streams[0].number, 0u);
    ASSERT_EQ(out.indexes.size(), 1u);
    EXPECT_EQ(out.indexes[0].version, 0u);
    EXPECT_TRUE(out.packets.empty());
}

TEST_F(HeaderFixture, EmptySelectionWritesAWellFormedFileWithoutStreams)
{
    addSources(muxer, {source("a.rm", threeStreams())});
    const ParsedFile out = merged({});
    EXPECT_EQ(out.numHeaders, 4u);
    EXPECT_TRUE(out.streams.empty());
    EXPECT_EQ(out.indexOffset, 0u);
}

TEST_F(HeaderFixture, IndexChainPointsFromChunkToChunk)
{
    FileSpec plan = threeStreams();
    plan.packets.clear();
    for (uint32_t t = 0; t < 5; ++t)
        plan.packets.push_back({0, t * 100, "x"});
    plan.indexes = {{0, {0, 100, 200, 300, 400}}};
    addSources(muxer, {source("a.rm", plan)});
    const ParsedFile out = merged({0, 1});
    ASSERT_EQ(out.indexes.size(), 2u);
    EXPECT_EQ(out.indexes[0].offset, out.indexOffset);
    EXPECT_EQ(out.indexes[0].size, 90u);
    EXPECT_EQ(out.indexes[0].next, out.indexOffset + 90);
    EXPECT_EQ(out.indexes[1].size, 20u);
    EXPECT_EQ(out.indexes[1].next, 0u);
}

TEST_F(HeaderFixture, StreamFiguresAreTheProducersAndTheFilesFollowFromThem)
{
    // What the sources' PROP chunks claim is not carried: once summed in a
    // running quarter, it made the average bit rate shrink with every source.
    // Each stream keeps its producer's figures; the file's are their sums,
    // the largest packet theirs, the average packet that of the packets written.
    FileSpec first = threeStreams();
    first.props = {900, 800, 70, 60, 5000, 0, 0};
    first.streams[0].maxBitRate = 1000, first.streams[0].avgBitRate = 700, first.streams[0].maxPacketSize = 70;
    FileSpec second = threeStreams();
    second.props = {500, 1200, 90, 20, 7000, 0, 0};
    second.streams[0].maxBitRate = 2000, second.streams[0].avgBitRate = 1300, second.streams[0].maxPacketSize = 90;
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    const ParsedFile out = merged({0, 10});
    EXPECT_EQ(out.numPackets, 4u);
    EXPECT_EQ(out.avgBitRate, 2000u);
    EXPECT_EQ(out.maxBitRate, 3000u);
    EXPECT_EQ(out.maxPacketSize, 90u);
    EXPECT_EQ(out.avgPacketSize, 2u);
    EXPECT_EQ(out.duration, 7000u);
    EXPECT_EQ(out.streams[1].avgBitRate, 1300u);
}

TEST_F(HeaderFixture, SelectedKeysBecomeOutputStreamsInSourceOrder)
{
    FileSpec first = threeStreams();
    first.indexes = {{1, {10}}};
    FileSpec second = threeStreams();
    second.indexes = {{0, {0, 30}}};
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    const ParsedFile out = merged({1, 10});
    ASSERT_EQ(out.streams.size(), 2u);
    EXPECT_EQ(out.streams[0].name, "one");
    EXPECT_EQ(out.streams[0].number, 0u);
    EXPECT_EQ(out.streams[1].name, "zero");
    EXPECT_EQ(out.streams[1].number, 1u);
    ASSERT_EQ(out.indexes.size(), 2u);
    EXPECT_EQ(out.indexes[0].number, 0u);
    EXPECT_EQ(out.indexes[0].numIndices, 1u);
    EXPECT_EQ(out.indexes[1].number, 1u);
    EXPECT_EQ(out.indexes[1].numIndices, 2u);
    for (const ParsedPacket& p : out.packets)
        EXPECT_LT(p.number, 2u);
    EXPECT_EQ(packetsOf(out, 0).size(), 1u);
    EXPECT_EQ(packetsOf(out, 1).size(), 2u);
}

TEST_F(HeaderFixture, SelectedStreamWithDurationZeroIsNotTakenNorItsIndex)
{
    FileSpec plan = threeStreams();
    plan.streams[1].duration = 0;
    plan.indexes = {{1, {10}}, {2, {20}}};
    addSources(muxer, {source("a.rm", plan)});
    const ParsedFile out = merged({1, 2});
    ASSERT_EQ(out.streams.size(), 1u);
    EXPECT_EQ(out.streams[0].name, "two");
    ASSERT_EQ(out.indexes.size(), 1u);
    EXPECT_EQ(out.indexes[0].numIndices, 1u);
    EXPECT_EQ(out.indexes[0].records[0].timestamp, 20u);
}

TEST_F(HeaderFixture, ContentComesFromTheLastSourceThatHasOne)
{
    FileSpec first = threeStreams();
    first.content = {"first title", "", "", ""};
    FileSpec second = threeStreams();
    second.withContent = false;
    FileSpec third = threeStreams();
    third.content = {"third", "me", "(c)", "note"};
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    ParsedFile out = merged({0, 10});
    EXPECT_EQ(out.title, "first title");

    RmMuxer again;
    addSources(again, {source("a.rm", first), source("c.rm", third), source("b.rm", second)});
    const MuxJob job = runMerge(again, {0}, dir.file("out2.rm"));
    ASSERT_EQ(job.outcome, MuxOutcome::Completed);
    out = parseRm(readFileBytes(dir.file("out2.rm"))).value();
    EXPECT_EQ(out.title, "third");
    EXPECT_EQ(out.author, "me");
    EXPECT_EQ(out.copyright, "(c)");
    EXPECT_EQ(out.comment, "note");
    EXPECT_EQ(out.contSize, 18u + 5 + 2 + 3 + 4);
}

TEST_F(HeaderFixture, SourcesWithoutContentGiveAnEmptyContentChunk)
{
    FileSpec plan = threeStreams();
    plan.withContent = false;
    addSources(muxer, {source("a.rm", plan)});
    const ParsedFile out = merged({0});
    EXPECT_TRUE(out.hasContent);
    EXPECT_EQ(out.contSize, 18u);
}

TEST_F(HeaderFixture, FlagsComeFromTheLastSourceAndStreamFieldsFromTheirOwn)
{
    FileSpec first = threeStreams();
    first.props.preroll = 111;
    first.props.flags = 1;
    FileSpec second = threeStreams();
    second.props.preroll = 222;
    second.props.flags = 2;
    second.streams[0].maxBitRate = 4242;
    second.streams[0].preroll = 17;
    second.streams[0].typeSpecific = std::string(2048, 'T');
    addSources(muxer, {source("a.rm", first), source("b.rm", second)});
    const ParsedFile out = merged({0, 10});
    // The preroll is the largest the output's streams ask for.
    EXPECT_EQ(out.preroll, 17u);
    EXPECT_EQ(out.flags, 2u);
    ASSERT_EQ(out.streams.size(), 2u);
    // A stream's rates are its producer's.
    EXPECT_EQ(out.streams[1].maxBitRate, 4242u);
    EXPECT_EQ(out.streams[1].preroll, 17u);
    EXPECT_EQ(out.streams[1].typeSpecific, std::string(2048, 'T'));
}

TEST_F(HeaderFixture, TooManyStreamsForTheRecordFailTheMerge)
{
    FileSpec plan;
    for (uint16_t n = 0; n < 10; ++n)
        plan.streams.push_back(stream(n, "s"));
    addSources(muxer, {source("a.rm", plan), source("b.rm", threeStreams())});
    MuxJob job = runMerge(muxer, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, dir.file("out.rm"));
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_NE(job.error.find("at most 10"), std::string::npos) << job.error;

    // With the helper stream, nine is the most.
    job = runMerge(muxer, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, dir.file("out.rm"), true);
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_NE(job.error.find("at most 9"), std::string::npos) << job.error;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm"}));
}

TEST_F(HeaderFixture, TwoVideoStreamsFailTheMergeWhoeverSelectsThem)
{
    FileSpec video;
    video.streams = {stream(0, "picture"), stream(1, "sound")};
    video.streams[0].mime = "video/x-pn-realvideo";
    video.packets = {{0, 0, "v"}, {1, 0, "a"}};
    addSources(muxer, {source("one.rm", video), source("two.rm", video)});
    const uint16_t selection[kStreamKeyCount] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(muxer.CheckSelection(selection, false).problem, SelectionProblem::TwoVideos);
    // The engine keeps the rule even for a caller that does not ask first.
    const MuxJob job = runMerge(muxer, {0, 1, 10}, dir.file("out.rm"));
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_EQ(job.error, "Only one video stream allowed");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"one.rm", "two.rm"}));
    // One video stream and the other file's audio are fine.
    EXPECT_EQ(runMerge(muxer, {0, 1, 11}, dir.file("out.rm")).outcome, MuxOutcome::Completed);
}

TEST_F(HeaderFixture, RemovedSourceContributesNothingAndKeepsTheOthersIndexes)
{
    FileSpec removed = threeStreams();
    removed.props = {900, 800, 70, 60, 9000, 0, 0};
    removed.streams[0].avgBitRate = 5000;
    removed.content = {"removed title", "", "", ""};
    FileSpec kept = threeStreams();
    kept.props = {500, 1200, 90, 20, 3000, 0, 0};
    kept.withContent = false;
    addSources(muxer, {source("b.rm", kept), source("a.rm", removed)});
    muxer.RemoveSource(1);
    // The removed file is no longer read, so it may even take the output.
    EXPECT_EQ(muxer.OutputPathProblem(dir.file("a.rm")), "");
    const ParsedFile out = merged({0, 10, 11});
    ASSERT_EQ(out.streams.size(), 1u);
    EXPECT_EQ(out.duration, 3000u);
    // The kept source's stream figures alone, which are 0.
    EXPECT_EQ(out.avgBitRate, 0u);
    EXPECT_EQ(out.avgPacketSize, 2u);
    EXPECT_EQ(out.title, "");
}

TEST_F(HeaderFixture, ANewFileAtARemovedSourcesIndexIsMergedInItsPlace)
{
    FileSpec removed = threeStreams();
    removed.props = {900, 800, 70, 60, 9000, 0, 0};
    removed.streams[0].avgBitRate = 5000;
    FileSpec added;
    added.streams = {stream(0, "new zero"), stream(1, "new one")};
    added.packets = {{0, 5, "n0"}, {1, 15, "n1"}};
    added.props = {500, 1200, 90, 20, 3000, 0, 0};
    addSources(muxer, {source("a.rm", removed), source("b.rm", threeStreams())});
    muxer.RemoveSource(0);
    addSources(muxer, {source("c.rm", added)});
    ASSERT_EQ(muxer.LastScanSource(), 0);
    const ParsedFile out = merged({1, 12});
    ASSERT_EQ(out.streams.size(), 2u);
    EXPECT_EQ(out.streams[0].name, "new one");
    EXPECT_EQ(out.streams[1].name, "two");
    ASSERT_EQ(packetsOf(out, 0).size(), 1u);
    EXPECT_EQ(packetsOf(out, 0)[0].payload, "n1");
    // The removed file's properties are gone with it.
    EXPECT_EQ(out.duration, 3000u);
}
