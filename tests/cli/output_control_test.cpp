// kestrova-cli merge controlling its output: the content description and
// stream names given on the command line, and an index for every stream.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_parser.h"
#include "support/stream_checks.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct OutputFixture : ::testing::Test {
    TempDir dir;
    std::string out = dir.file("out.rm");

    void SetUp() override
    {
        if (!haveProgram("ffprobe") || !haveProgram("ffmpeg"))
            GTEST_SKIP() << "needs ffmpeg and ffprobe";
    }

    // Sources written by ffmpeg, which writes no index chunks: 6 s of
    // RealVideo 1.0 (a keyframe every 25 frames) with AC-3, and 6 s of AC-3.
    std::pair<std::string, std::string> ffmpegSources()
    {
        const std::string av = dir.file("av.rm");
        const std::string tone = dir.file("tone.rm");
        EXPECT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                       "testsrc=size=128x96:rate=25:duration=6", "-f", "lavfi", "-i",
                       "sine=frequency=300:duration=6:sample_rate=44100", "-c:v", "rv10", "-g", "25", "-c:a", "ac3",
                       "-b:a", "64k", av})
                      .status,
                  0);
        EXPECT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=500:duration=6",
                       "-c:a", "ac3", tone})
                      .status,
                  0);
        return {av, tone};
    }
};

std::string probeFormatTag(const std::string& path, const std::string& tag)
{
    const Outcome o = run({"ffprobe", "-v", "error", "-show_entries", "format_tags=" + tag, "-of",
                           "default=noprint_wrappers=1:nokey=1", path});
    EXPECT_EQ(o.status, 0) << o.err;
    return o.out.empty() ? o.out : o.out.substr(0, o.out.size() - 1);
}

}  // namespace

TEST_F(OutputFixture, EveryStreamOfFfmpegSourcesGetsAnIndexThatPointsAtItsPackets)
{
    const auto [av, tone] = ffmpegSources();
    const Outcome o = cli({"merge", "-o", out, av, tone});
    ASSERT_EQ(o.status, 0) << o.err;
    const ParsedFile merged = parseRm(readFileBytes(out)).value();
    ASSERT_EQ(merged.indexes.size(), 3u);
    for (const ParsedIndex& index : merged.indexes) {
        SCOPED_TRACE("stream " + std::to_string(index.number));
        // Video by its keyframes (one each second), audio by the second: six or seven records.
        EXPECT_GE(index.records.size(), 6u);
        EXPECT_LE(index.records.size(), 7u);
        for (const ParsedIndexRecord& r : index.records) {
            ASSERT_LT(r.packetCount, merged.packets.size());
            const ParsedPacket& p = merged.packets[r.packetCount];
            EXPECT_EQ(p.offset, r.offset);
            EXPECT_EQ(p.number, index.number);
            EXPECT_EQ(p.timestamp, r.timestamp);
            if (index.number == 0) {
                EXPECT_EQ(p.flags & 2, 2) << "a video record points at a packet that is no keyframe";
            }
        }
    }
    EXPECT_NE(o.out.find("stream 0: "), std::string::npos);
    EXPECT_NE(o.out.find(" index records built\nstream 1: "), std::string::npos) << o.out;
    // A player can start in the middle.
    const Outcome seek = run({"ffmpeg", "-nostdin", "-v", "error", "-ss", "3", "-i", out, "-frames:v", "1", "-f",
                              "null", "-"});
    EXPECT_EQ(seek.status, 0);
    EXPECT_EQ(seek.err, "");
    expectDecodes(out);

    // --no-index writes the index chunks empty, as a merge did before.
    std::filesystem::remove(out);
    ASSERT_EQ(cli({"merge", "--quiet", "--no-index", "-o", out, av, tone}).status, 0);
    const ParsedFile plain = parseRm(readFileBytes(out)).value();
    for (const ParsedIndex& index : plain.indexes)
        EXPECT_EQ(index.numIndices, 0u);
}

TEST_F(OutputFixture, TitleCreditsAndStreamNamesRoundTrip)
{
    const auto [av, tone] = ffmpegSources();
    const std::string title = "Été à Paris";  // UTF-8 bytes go through unchanged
    const Outcome o = cli({"merge", "--quiet", "-o", out, "--title", title, "--author", "Ann", "--copyright",
                           "(c) 2026 Ann", "--comment", "second take", "--name", "2=Commentary", "--name",
                           "0=Picture", av, tone});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(probeFormatTag(out, "title"), title);
    EXPECT_EQ(probeFormatTag(out, "author"), "Ann");
    EXPECT_EQ(probeFormatTag(out, "copyright"), "(c) 2026 Ann");
    EXPECT_EQ(probeFormatTag(out, "comment"), "second take");
    const ParsedFile merged = parseRm(readFileBytes(out)).value();
    EXPECT_EQ(merged.title, title);
    ASSERT_EQ(merged.streams.size(), 3u);
    EXPECT_EQ(merged.streams[0].name, "Picture");
    EXPECT_EQ(merged.streams[1].name, parseSource(readFileBytes(av)).value().streams[1].name);
    EXPECT_EQ(merged.streams[2].name, "Commentary");
    expectDecodes(out);
}

TEST_F(OutputFixture, TextsThatDoNotFitOrNameNoStreamAreRefusedBeforeAnythingIsWritten)
{
    const auto [av, tone] = ffmpegSources();
    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--title", std::string(257, 't')}, "The title is 257 bytes long; the output holds at most 256"},
        {{"--comment", std::string(70000, 'c')}, "The comment is 70000 bytes long; the output holds at most 256"},
        {{"--name", "1=" + std::string(256, 'n')},
         "The name of output stream 1 is 256 bytes long; a stream name holds at most 255"},
        {{"--name", "3=Extra"}, "There is no output stream 3 to name: the merge writes 3, numbered 0 to 2"},
    };
    for (const auto& [options, message] : refused) {
        std::vector<std::string> args = {"merge", "-o", out};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {av, tone});
        const Outcome o = cli(args);
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.err, "kestrova-cli: " + message + "\n");
    }
    for (const char* bad : {"x=Name", "=Name", "1", "123456=Name"}) {
        const Outcome o = cli({"merge", "-o", out, "--name", bad, av});
        EXPECT_EQ(o.status, 2) << bad;
    }
    EXPECT_EQ(cli({"merge", "-o", out, "--name", "0=A", "--name", "0=B", av}).status, 2);
    EXPECT_EQ(cli({"merge", "-o", out, av, "--title"}).status, 2);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"av.rm", "tone.rm"}));
}
