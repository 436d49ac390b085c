// kestrova-cli merge on real files, checked with our reader and with
// ffprobe and ffmpeg; and what it does when the merge cannot be done.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "cli/merge_command.h"
#include "support/held_merge.h"
#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/stream_checks.h"
#include "support/temp_dir.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

}  // namespace

TEST(CliMerge, VideoFromOneFileAndAudioFromTwoOthers)
{
    TempDir dir;
    const std::string out = dir.file("merged.rm");
    const Outcome o = cli({"merge", "-o", out, dataFile("video_rv20_ac3.rm") + ":0", dataFile("audio_ac3_meta.rm"),
                           dataFile("audio_ra144_indexed_duration.rm")});
    ASSERT_EQ(o.status, 0) << o.err;
    expectSameStream(dataFile("video_rv20_ac3.rm"), 0, out, 0);
    expectSameStream(dataFile("audio_ac3_meta.rm"), 0, out, 1);
    expectSameStream(dataFile("audio_ra144_indexed_duration.rm"), 0, out, 2);
    expectDecodes(out);
    // The content description is the last one read.
    EXPECT_EQ(parseRm(readFileBytes(out))->title, "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"merged.rm"});
}

TEST(CliMerge, IndexedFilesGetTheirIndexRecordsPointedAtTheNewPositions)
{
    TempDir dir;
    const std::string out = dir.file("merged.rm");
    const Outcome o = cli({"merge", "-o", out, dataFile("audio_ac3_meta.rm"), dataFile("video_rv20_indexed.rm")});
    ASSERT_EQ(o.status, 0) << o.err;
    expectSameStream(dataFile("video_rv20_indexed.rm"), 0, out, 1);
    expectDecodes(out);
    const ParsedFile merged = parseRm(readFileBytes(out)).value();
    const ParsedFile source = parseRm(readFileBytes(dataFile("video_rv20_indexed.rm"))).value();
    ASSERT_EQ(merged.indexes.size(), 2u);
    EXPECT_EQ(merged.indexes[1].numIndices, source.indexes[0].numIndices);
    ASSERT_GT(merged.indexes[1].numIndices, 0u);
    for (const ParsedIndexRecord& r : merged.indexes[1].records) {
        ASSERT_LT(r.packetCount, merged.packets.size());
        const ParsedPacket& p = merged.packets[r.packetCount];
        EXPECT_EQ(p.offset, r.offset);
        EXPECT_EQ(p.number, 1u);
        EXPECT_EQ(p.timestamp, r.timestamp);
    }
}

TEST(CliMerge, EveryCorpusFileMergesIntoAFileThatDecodes)
{
    TempDir dir;
    for (const char* name : {"video_rv20_ac3.rm", "video_rv10.rm", "audio_ac3_meta.rm", "video_rv20_indexed.rm",
                             "audio_ra144_indexed_duration.rm"}) {
        const std::string out = dir.file(std::string("all-") + name);
        const Outcome o = cli({"merge", "--quiet", "-o", out, dataFile(name)});
        ASSERT_EQ(o.status, 0) << name << ": " << o.err;
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, "");
        std::string error;
        EXPECT_TRUE(parseRm(readFileBytes(out), &error)) << name << ": " << error;
        expectDecodes(out);
    }
    // The Helix sample is cut before its data chunk: it has no packet to give.
    const Outcome o = cli({"merge", "--quiet", "-o", dir.file("helix.rm"), dataFile("helix_truncated.rm")});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kestrova-cli: " + dataFile("helix_truncated.rm") + " holds no packets: it has no whole data chunk\n");
    EXPECT_FALSE(fs::exists(dir.file("helix.rm")));
}

TEST(CliMerge, FilesWrittenByFfmpegWithVideoAndTwoAudioStreams)
{
    TempDir dir;
    const std::string av = dir.file("av.rm");
    const std::string tone = dir.file("tone.rm");
    ASSERT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=128x96:rate=12:duration=2",
                   "-f", "lavfi", "-i", "sine=frequency=300:duration=2:sample_rate=44100", "-c:v", "rv10", "-c:a",
                   "ac3", "-b:a", "64k", av})
                  .status,
              0);
    ASSERT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=500:duration=3",
                   "-c:a", "ac3", "-metadata", "title=Second track", tone})
                  .status,
              0);
    const std::string out = dir.file("out.rm");
    const Outcome o = cli({"merge", "--quiet", "-o", out, av, tone});
    ASSERT_EQ(o.status, 0) << o.err;
    expectSameStream(av, 0, out, 0);
    expectSameStream(av, 1, out, 1);
    expectSameStream(tone, 0, out, 2);
    expectDecodes(out);
    EXPECT_EQ(parseRm(readFileBytes(out))->title, "Second track");
    const Outcome probe = run({"mkvmerge", "-J", out});
    EXPECT_EQ(probe.status, 0) << probe.out;
    EXPECT_NE(probe.out.find("\"recognized\": true"), std::string::npos);
}

TEST(CliMerge, RefusesBadSelectionsBeforeWritingAnything)
{
    TempDir dir;
    const std::string out = dir.file("out.rm");
    const std::string video = dataFile("video_rv20_ac3.rm");

    Outcome o = cli({"merge", "-o", out, video, dataFile("video_rv10.rm")});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("Only one video stream allowed"), std::string::npos) << o.err;

    o = cli({"merge", "-o", out, video + ":5"});
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("no usable stream numbered 5 (its streams: 0, 1)"), std::string::npos) << o.err;

    o = cli({"merge", "-o", out, dataFile("audio_ra144.rm")});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "kestrova-cli: " + dataFile("audio_ra144.rm") + ": Invalid RM file or no usable streams\n"
                     + "  No stream is usable: stream 0 (audio/x-pn-realaudio) has duration 0\n");

    std::vector<std::string> many = {"merge", "--helper", "-o", out};
    for (int i = 0; i < 5; ++i)
        many.push_back(dataFile("audio_ac3_meta.rm"));
    for (int i = 0; i < 5; ++i)
        many.push_back(dataFile("audio_ra144_indexed_duration.rm"));
    o = cli(many);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("at most 9 with the helper stream"), std::string::npos) << o.err;

    // Eleven files are more than a merge holds.
    many.erase(many.begin() + 1);
    many.push_back(dataFile("video_rv10.rm"));
    o = cli(many);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find("No more than 10 files"), std::string::npos) << o.err;

    EXPECT_EQ(cli({"merge", video}).status, 2);
    EXPECT_EQ(cli({"merge", "-o", out}).status, 2);
    EXPECT_EQ(cli({"merge", "-o"}).status, 2);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(CliMerge, RefusesAnOutputThatIsASourceOrNotAFile)
{
    TempDir dir;
    const std::string source = dir.file("source.rm");
    fs::copy_file(dataFile("video_rv10.rm"), source);
    const std::string before = readFileBytes(source);
    fs::create_symlink(source, dir.file("link.rm"));
    for (const std::string& out : {source, dir.file("link.rm")}) {
        const Outcome o = cli({"merge", "-o", out, source});
        EXPECT_EQ(o.status, 2);
        EXPECT_NE(o.err.find("is one of the source files"), std::string::npos) << o.err;
    }
    for (const std::string& out : {dir.path().string(), std::string("/dev/full")}) {
        const Outcome o = cli({"merge", "-o", out, source});
        EXPECT_EQ(o.status, 2) << out;
        EXPECT_FALSE(o.err.empty());
    }
    EXPECT_EQ(readFileBytes(source), before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.rm", "source.rm"}));
}

TEST(CliMerge, FullDiskFailsCleanlyAndKeepsTheExistingOutput)
{
    TempDir dir;
    const std::string out = dir.file("out.rm");
    writeFileBytes(out, "older file");
    // A file size limit of 8 KiB stands in for a disk that fills up.
    const Outcome o = cli({"merge", "-o", out, dataFile("video_rv20_ac3.rm")}, "ulimit -f 8");
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Cannot write the output file: File too large"), std::string::npos) << o.err;
    EXPECT_EQ(readFileBytes(out), "older file");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.rm"});
}

TEST(CliMerge, InterruptCancelsTheMergeAndRemovesThePartialOutput)
{
    TempDir dir;
    // Four reads of the source: the scan's, then the merge's.
    FileSpec plan;
    plan.streams.resize(1);
    for (uint32_t k = 0; k < 150; ++k)
        plan.packets.push_back({0, k, std::string(6000, static_cast<char>(k))});
    const std::string source = dir.file("big.rm");
    writeFileBytes(source, buildFile(plan));
    const std::string out = dir.file("out.rm");
    writeFileBytes(out, "older file");

    // Held in its second read of the source, the merge has its partial
    // output beside the older file; Ctrl-C is pressed then.
    HeldRun merge({KESTROVA_CLI, "merge", "-o", out, source}, source, 2, dir.file("err.txt"));
    if (merge.denied())
        GTEST_SKIP() << "holding the merge at a read needs fanotify, which needs root (" << merge.error() << ")";
    ASSERT_TRUE(merge.held()) << merge.error();
    const std::vector<std::string> during = dir.entries();
    ASSERT_EQ(during.size(), 4u);
    EXPECT_TRUE(during[0].starts_with(".out.rm.kestrova-") && during[0].ends_with(".part")) << during[0];
    merge.signal(SIGINT);
    EXPECT_EQ(merge.finish(), 1);
    EXPECT_EQ(readFileBytes(dir.file("err.txt")), "kestrova-cli: merge cancelled; nothing was written\n");
    EXPECT_EQ(readFileBytes(out), "older file");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"big.rm", "err.txt", "out.rm"}));
}

TEST(CliMerge, SourceArgumentsSplitOnlyOnANumberList)
{
    using Source = MergeRequest::Source;
    const auto parsed = [](const std::string& arg) {
        const Source s = parseSourceArgument(arg);
        return std::pair{s.path, s.numbers};
    };
    using Result = std::pair<std::string, std::vector<unsigned>>;
    EXPECT_EQ(parsed("a.rm:0,2"), (Result{"a.rm", {0, 2}}));
    EXPECT_EQ(parsed("a.rm:1"), (Result{"a.rm", {1}}));
    EXPECT_EQ(parsed("a.rm"), (Result{"a.rm", {}}));
    EXPECT_EQ(parsed("dir:x/a.rm"), (Result{"dir:x/a.rm", {}}));
    EXPECT_EQ(parsed("a.rm:"), (Result{"a.rm:", {}}));
    EXPECT_EQ(parsed("a.rm:1,,2"), (Result{"a.rm:1,,2", {}}));
    EXPECT_EQ(parsed(":1"), (Result{":1", {}}));
    EXPECT_EQ(parsed("a:b.rm:3"), (Result{"a:b.rm", {3}}));
    EXPECT_EQ(parsed("a.rm:99999999999"), (Result{"a.rm", {100000}}));
}
