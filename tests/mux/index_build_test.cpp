// Index records built for streams whose sources have none: video by its
// keyframes, other streams by the second; and the texts a job gives for
// its output's content description and stream names.
#include <gtest/gtest.h>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

constexpr uint8_t kKeyframe = 2;

struct BuildFixture : ::testing::Test {
    TempDir dir;

    std::string source(const std::string& name, const FileSpec& plan)
    {
        writeFileBytes(dir.file(name), buildFile(plan));
        return dir.file(name);
    }

    // Every record points at the first packet of its stream with its
    // timestamp, and counts the packets before it.
    static void expectRecordsPointAtTheirPackets(const ParsedFile& out)
    {
        for (const ParsedIndex& index : out.indexes)
            for (const ParsedIndexRecord& r : index.records) {
                std::size_t k = 0;
                while (k < out.packets.size()
                       && (out.packets[k].number != index.number || out.packets[k].timestamp != r.timestamp))
                    ++k;
                ASSERT_LT(k, out.packets.size()) << "stream " << index.number << " at " << r.timestamp;
                EXPECT_EQ(r.offset, out.packets[k].offset);
                EXPECT_EQ(r.packetCount, k);
            }
    }

    static std::vector<uint32_t> timestamps(const ParsedIndex& index)
    {
        std::vector<uint32_t> out;
        for (const ParsedIndexRecord& r : index.records)
            out.push_back(r.timestamp);
        return out;
    }
};

}  // namespace

TEST_F(BuildFixture, VideoIsIndexedByKeyframesAndOtherStreamsBySecond)
{
    FileSpec plan;
    plan.streams = {{.number = 0, .mime = "video/x-pn-realvideo"}, {.number = 1, .mime = "audio/x-pn-realaudio"}};
    // Frames of two packets each, a keyframe every third frame; the first
    // frame is no keyframe. Audio every 400 ms.
    for (uint32_t frame = 0; frame < 12; ++frame) {
        const uint8_t flags = frame % 3 == 1 ? kKeyframe : 0;
        for (int part = 0; part < 2; ++part)
            plan.packets.push_back({0, frame * 300, "v" + std::to_string(frame), flags});
    }
    for (uint32_t t = 0; t < 3600; t += 400)
        plan.packets.push_back({1, t, "a"});
    std::stable_sort(plan.packets.begin(), plan.packets.end(),
                     [](const PacketSpec& a, const PacketSpec& b) { return a.timestamp < b.timestamp; });
    RmMuxer muxer;
    addSources(muxer, {source("av.rm", plan)});
    const MuxJob job = runMerge(muxer, {0, 1}, dir.file("out.rm"));
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    ASSERT_EQ(out.indexes.size(), 2u);
    // Frames 1, 4, 7 and 10, once each although each has two packets.
    EXPECT_EQ(timestamps(out.indexes[0]), (std::vector<uint32_t>{300, 1200, 2100, 3000}));
    // The first packet at or after 0, 1000, 2000 and 3000 ms.
    EXPECT_EQ(timestamps(out.indexes[1]), (std::vector<uint32_t>{0, 1200, 2000, 3200}));
    expectRecordsPointAtTheirPackets(out);
    for (const ParsedIndexRecord& r : out.indexes[0].records)
        EXPECT_EQ(out.packets[r.packetCount].flags, kKeyframe);
    EXPECT_EQ(job.streams[0].indexBuilt, 4u);
    EXPECT_EQ(job.streams[1].indexBuilt, 4u);
    EXPECT_EQ(job.streams[0].indexCopied, 0u);
}

TEST_F(BuildFixture, StreamsWithSourceRecordsKeepThemAndOthersGetBuiltOnes)
{
    FileSpec indexed;
    indexed.streams = {{.number = 0}};
    FileSpec bare;
    bare.streams = {{.number = 0}};
    for (uint32_t t = 0; t < 3000; t += 250) {
        indexed.packets.push_back({0, t, "i"});
        bare.packets.push_back({0, t + 10, "b"});
    }
    indexed.indexes = {{0, {0, 500, 2500}}};
    RmMuxer muxer;
    addSources(muxer, {source("indexed.rm", indexed), source("bare.rm", bare)});
    const MuxJob job = runMerge(muxer, {0, 10}, dir.file("out.rm"));
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    EXPECT_EQ(timestamps(out.indexes[0]), (std::vector<uint32_t>{0, 500, 2500}));
    EXPECT_EQ(timestamps(out.indexes[1]), (std::vector<uint32_t>{10, 1010, 2010}));
    expectRecordsPointAtTheirPackets(out);
    EXPECT_EQ(job.streams[0].indexCopied, 3u);
    EXPECT_EQ(job.streams[0].indexBuilt, 0u);
    EXPECT_EQ(job.streams[1].indexBuilt, 3u);

    // Without building, the bare stream's chunk is empty and the copied one stays.
    RmMuxer again;
    addSources(again, {dir.file("indexed.rm"), dir.file("bare.rm")});
    const ParsedFile plain = mergedFile(again, {0, 10}, dir.file("plain.rm"), false, false);
    EXPECT_EQ(plain.indexes[0].numIndices, 3u);
    EXPECT_EQ(plain.indexes[1].numIndices, 0u);
}

TEST_F(BuildFixture, GivenTextsReplaceTheSourcesAndSizesFollow)
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Old one"}, {.number = 1, .name = "Old two"}};
    plan.content = {"old title", "old author", "old copyright", "old comment"};
    plan.packets = {{0, 0, "x"}, {1, 5, "y"}};
    RmMuxer muxer;
    addSources(muxer, {source("a.rm", plan)});
    MuxJob job;
    job.selection[0] = job.selection[1] = 1;
    job.muxer = &muxer;
    job.title = "New title";
    job.comment = "";
    job.streamNames = {{1, std::string(255, 'n')}};
    muxer.SetOutputPath(dir.file("out.rm"));
    ResetMergeSignals();
    MuxWorker(&job);
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    // The strict reader checks every size and length against the bytes.
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
    EXPECT_EQ(out.title, "New title");
    EXPECT_EQ(out.author, "old author");
    EXPECT_EQ(out.copyright, "old copyright");
    EXPECT_EQ(out.comment, "");
    EXPECT_EQ(out.streams[0].name, "Old one");
    EXPECT_EQ(out.streams[1].name, std::string(255, 'n'));

    // What does not fit, or names no output stream, is refused, never cut.
    MuxJob tooLong = job;
    tooLong.title = std::string(257, 't');
    EXPECT_EQ(OutputTextsProblem(tooLong, 2), "The title is 257 bytes long; the output holds at most 256");
    MuxJob longName = job;
    longName.streamNames = {{0, std::string(256, 'n')}};
    EXPECT_EQ(OutputTextsProblem(longName, 2),
              "The name of output stream 0 is 256 bytes long; a stream name holds at most 255");
    MuxJob noStream = job;
    noStream.streamNames = {{2, "x"}};
    EXPECT_EQ(OutputTextsProblem(noStream, 2),
              "There is no output stream 2 to name: the merge writes 2, numbered 0 to 1");
    EXPECT_EQ(OutputTextsProblem(job, 2), "");
}
