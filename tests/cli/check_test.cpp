// kestrova-cli check: what it prints and returns for sound files, for files
// with problems, for the files real writers make, and for every output of
// our own merge, which must pass it.
#include <gtest/gtest.h>

#include "support/held_merge.h"
#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// A video stream 0 with two keyframes and an index, and an audio stream 1.
FileSpec twoStreams()
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Picture", .mime = "video/x-pn-realvideo"}, {.number = 1, .name = "Sound"}};
    for (uint32_t k = 0; k < 3; ++k) {
        plan.packets.push_back({.number = 0,
                                .timestamp = k * 40,
                                .payload = "picture" + std::to_string(k),
                                .flags = static_cast<uint8_t>(k == 1 ? 0 : 2)});
        plan.packets.push_back({.number = 1, .timestamp = k * 40 + 20, .payload = "sound", .flags = 2});
    }
    plan.indexes = {{0, {0, 80}}};
    return plan;
}

struct CheckCli : ::testing::Test {
    TempDir dir;

    std::string write(const std::string& name, const std::string& bytes)
    {
        writeFileBytes(dir.file(name), bytes);
        return dir.file(name);
    }
};

}  // namespace

TEST_F(CheckCli, SoundFileExitsZeroWithItsStreams)
{
    const std::string bytes = buildFile(twoStreams());
    const std::string path = write("sound.rm", bytes);
    const Outcome o = cli({"check", path});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, path + ": " + std::to_string(bytes.size()) + " bytes\n"
                         "  stream 0 (video/x-pn-realvideo): 3 packets, timestamps 0 to 80 ms, 2 keyframes, "
                         "2 index records (2 matching a packet)\n"
                         "  stream 1 (audio/x-pn-realaudio): 3 packets, timestamps 20 to 100 ms, 3 keyframes, "
                         "no index records\n"
                         "  no problems\n");
}

TEST_F(CheckCli, ProblemsAreListedWithTheirPlaceAndExitOne)
{
    const std::string whole = buildFile(twoStreams());
    const ParsedFile parsed = parseRm(whole).value();
    // Cut inside the last packet: the index that followed is gone too.
    const uint64_t last = parsed.packets.back().offset;
    const std::string path = write("cut.rm", whole.substr(0, last + 15));
    const std::string data = std::to_string(parsed.dataOffset);
    const Outcome o = cli({"check", path});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, path + ": " + std::to_string(last + 15) + " bytes\n"
                         "  stream 0 (video/x-pn-realvideo): 3 packets, timestamps 0 to 80 ms, 2 keyframes, no index records\n"
                         "  stream 1 (audio/x-pn-realaudio): 2 packets, timestamps 20 to 60 ms, 2 keyframes, no index records\n"
                         "  problem at byte 18: index_offset points at byte " + std::to_string(parsed.indexOffset)
                         + ", past the end of the file at byte " + std::to_string(last + 15) + "\n"
                         "  problem at byte 18: the properties count 6 packets, but the data chunk holds 5\n"
                         "  problem at byte " + data + ": the data chunk counts 6 packets, but 5 were found\n"
                         "  problem at byte " + std::to_string(last) + ": a packet is cut short by the end of the file\n"
                         "  4 problems\n");

    // One file with a problem among sound ones is enough for the status.
    const std::string sound = write("sound.rm", whole);
    EXPECT_EQ(cli({"check", sound, path, sound}).status, 1);
}

TEST_F(CheckCli, JsonCarriesTheSame)
{
    FileSpec plan = twoStreams();
    plan.packets[3].timestamp = 10;  // sound goes back from 20 to 10 ms
    const std::string bytes = buildFile(plan);
    const ParsedFile parsed = parseRm(bytes).value();
    const std::string path = write("back.rm", bytes);
    const Outcome o = cli({"check", "--json", path, path});
    EXPECT_EQ(o.status, 1);
    const std::string one =
        "  {\"path\": \"" + path + "\", \"size\": " + std::to_string(bytes.size())
        + ", \"title\": \"\", \"author\": \"\", \"copyright\": \"\", \"comment\": \"\", \"streams\": [\n"
        "    {\"number\": 0, \"mime\": \"video/x-pn-realvideo\", \"duration_ms\": 1000, \"packets\": 3, "
        "\"first_timestamp\": 0, \"last_timestamp\": 80, \"keyframes\": 2, \"index_records\": 2, "
        "\"index_records_matching\": 2},\n"
        "    {\"number\": 1, \"mime\": \"audio/x-pn-realaudio\", \"duration_ms\": 1000, \"packets\": 3, "
        "\"first_timestamp\": 20, \"last_timestamp\": 100, \"keyframes\": 3, \"index_records\": 0, "
        "\"index_records_matching\": 0}\n"
        "  ], \"problems\": [\n"
        "    {\"offset\": " + std::to_string(parsed.packets[3].offset) + ", \"kind\": \"timestamp_backwards\", "
        "\"text\": \"a packet of stream 1 at 10 ms follows one at 20 ms\"}\n"
        "  ]}";
    EXPECT_EQ(o.out, "[\n" + one + ",\n" + one + "\n]\n");

    // A file without streams or problems closes its lists on the spot.
    FileSpec empty;
    empty.streams.resize(1);
    empty.packets = {{}};
    const Outcome sound = cli({"check", "--json", write("one.rm", buildFile(empty))});
    EXPECT_EQ(sound.status, 0);
    EXPECT_NE(sound.out.find("\"index_records_matching\": 0}\n  ], \"problems\": []}\n]\n"), std::string::npos)
        << sound.out;
}

TEST_F(CheckCli, BadUsageAndFilesThatCannotBeOpenedExitTwo)
{
    EXPECT_EQ(cli({"check"}).status, 2);
    EXPECT_EQ(cli({"check", "--yaml", dataFile("video_rv10.rm")}).status, 2);
    const Outcome help = cli({"--help"});
    EXPECT_NE(help.out.find("kestrova-cli check [--json | --json-lines] [-r] [--jobs N] [--text-encoding NAME] FILE|FOLDER..."), std::string::npos) << help.out;

    // The other files are still checked.
    const Outcome o = cli({"check", dir.file("missing.rm"), dataFile("video_rv10.rm")});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, dir.file("missing.rm") + ": The file cannot be opened: No such file or directory\n");
    EXPECT_NE(o.out.find(dataFile("video_rv10.rm") + ": 79,884 bytes\n"), std::string::npos) << o.out;
}

TEST_F(CheckCli, CorpusFilesReportWhatTheirWritersLeft)
{
    // ffmpeg's data chunk sizes reach past the end of its files, which end
    // with 8 zero bytes; the merge reads them whole and says nothing, and so
    // does check. Their 14.4 streams have duration 0, which a merge refuses.
    for (const char* name : {"video_rv20_ac3.rm", "video_rv10.rm", "audio_ac3_meta.rm", "video_rv20_indexed.rm",
                             "audio_ra144_indexed_duration.rm"}) {
        const Outcome o = cli({"check", dataFile(name)});
        EXPECT_EQ(o.status, 0) << name << "\n" << o.out;
        EXPECT_EQ(o.out.substr(o.out.size() - 14), "  no problems\n") << name;
    }
    for (const char* name : {"audio_ra144.rm", "audio_ra144_indexed.rm"}) {
        const Outcome o = cli({"check", dataFile(name)});
        EXPECT_EQ(o.status, 1) << name;
        EXPECT_NE(o.out.find("  stream 0 (audio/x-pn-realaudio): 251 packets, timestamps 0 to 0 ms, 251 keyframes"),
                  std::string::npos)
            << o.out;
        EXPECT_NE(o.out.find("  problem at byte 86: no stream is usable: stream 0 (audio/x-pn-realaudio) has "
                             "duration 0\n  1 problem\n"),
                  std::string::npos)
            << o.out;
    }
    const Outcome indexed = cli({"check", dataFile("video_rv20_indexed.rm")});
    EXPECT_NE(indexed.out.find("60 packets, timestamps 0 to 3933 ms, 5 keyframes, 5 index records (5 matching a packet)"),
              std::string::npos)
        << indexed.out;
    // Cut by its publisher before its data chunk, with an index past its end.
    const Outcome helix = cli({"check", dataFile("helix_truncated.rm")});
    EXPECT_EQ(helix.status, 1);
    EXPECT_EQ(helix.out, dataFile("helix_truncated.rm") + ": 1,915 bytes\n"
                         "  Title: A title\n"
                         "  Author: Phil Harvey\n"
                         "  Copyright: Copyright 2006 Phil Harvey\n"
                         "  Comment: A comment\n"
                         "  stream 0 (audio/x-pn-realaudio): 0 packets, no index records\n"
                         "  stream 1 (logical-fileinfo): 0 packets, no index records\n"
                         "  problem at byte 18: the file has no data chunk: data_offset points at byte 756, where none starts\n"
                         "  problem at byte 18: index_offset points at byte 8,406, past the end of the file at byte 1,915\n"
                         "  2 problems\n");
}

TEST_F(CheckCli, FilesFfmpegAndMkvextractWriteHaveNoProblem)
{
    for (const char* program : {"ffmpeg", "mkvmerge", "mkvextract"})
        if (!haveProgram(program))
            GTEST_SKIP() << "needs " << program;
    const std::string encode =
        "ffmpeg -nostdin -v error -f lavfi -i testsrc=size=128x96:rate=12:duration=2 -f lavfi -i "
        "sine=frequency=300:duration=2:sample_rate=44100 -c:v rv20 -c:a ac3 -b:a 64k -f rm ";
    ASSERT_EQ(run({"sh", "-c", encode + shellQuote(dir.file("seekable.rm"))}).status, 0);
    ASSERT_EQ(run({"sh", "-c", encode + "pipe:1 > " + shellQuote(dir.file("piped.rm"))}).status, 0);
    ASSERT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=176x144:rate=10:duration=2",
                   "-c:v", "rv10", dir.file("rv10.rm")})
                  .status,
              0);
    ASSERT_EQ(run({"mkvmerge", "-q", "-o", dir.file("v.mkv"), dir.file("seekable.rm")}).status, 0);
    ASSERT_EQ(run({"mkvextract", "-q", dir.file("v.mkv"), "tracks", "0:" + dir.file("extracted.rm")}).status, 0);
    for (const char* name : {"seekable.rm", "piped.rm", "rv10.rm", "extracted.rm"}) {
        const Outcome o = cli({"check", dir.file(name)});
        EXPECT_EQ(o.status, 0) << name << "\n" << o.out;
    }
    // ffmpeg gives the packets of a 14.4 stream timestamp 0 and the stream
    // duration 0: the one thing wrong is what a merge refuses.
    ASSERT_EQ(run({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=660:duration=2:sample_rate=8000",
                   "-c:a", "real_144", "-ac", "1", dir.file("speech.rm")})
                  .status,
              0);
    const Outcome speech = cli({"check", "--json", dir.file("speech.rm")});
    EXPECT_EQ(speech.status, 1);
    EXPECT_NE(speech.out.find("\"kind\": \"refused\""), std::string::npos) << speech.out;
    EXPECT_EQ(speech.out.find("\"kind\": "), speech.out.rfind("\"kind\": ")) << speech.out;
}

TEST_F(CheckCli, EveryOutputOfOurMergePassesIt)
{
    // Each corpus file alone, all of them together, with the helper stream,
    // and a built file whose index and streams the samples lack; verified.
    FileSpec built = twoStreams();
    built.indexes.push_back({1, {20, 60}});
    built.content = {"title", "author", "copyright", "comment"};
    const std::string own = write("built.rm", buildFile(built));
    const std::vector<std::vector<std::string>> merges = {
        {dataFile("video_rv20_ac3.rm")},
        {dataFile("video_rv10.rm")},
        {dataFile("audio_ac3_meta.rm")},
        {dataFile("video_rv20_indexed.rm")},
        {dataFile("audio_ra144_indexed_duration.rm")},
        {own},
        {"--helper", dataFile("video_rv20_indexed.rm"), dataFile("audio_ac3_meta.rm"),
         dataFile("audio_ra144_indexed_duration.rm"), own + ":1", dataFile("video_rv20_ac3.rm") + ":1"},
    };
    for (const std::vector<std::string>& sources : merges) {
        std::vector<std::string> args = {"merge", "--quiet", "--no-sync", "--verify", "-o", dir.file("out.rm")};
        args.insert(args.end(), sources.begin(), sources.end());
        const Outcome merged = cli(args);
        ASSERT_EQ(merged.status, 0) << sources.back() << ": " << merged.err;
        const Outcome o = cli({"check", dir.file("out.rm")});
        EXPECT_EQ(o.status, 0) << sources.back() << "\n" << o.out;
    }
}

TEST_F(CheckCli, AReadThatFailsIsAProblemNotTheEndOfTheData)
{
    // Some sixteen reads of 256 KiB; the ninth is refused as a file-access
    // policy refuses it. The check says so, and judges nothing it did not read.
    FileSpec big;
    big.streams.resize(1);
    for (uint32_t k = 0; k < 1024; ++k)
        big.packets.push_back({0, k, std::string(4096, static_cast<char>('a' + k % 26))});
    const std::string path = write("big.rm", buildFile(big));
    const std::string report = dir.file("report.txt");
    HeldRun check({"/bin/sh", "-c", "exec " + shellQuote(KESTROVA_CLI) + " check " + shellQuote(path) + " > " + shellQuote(report)},
                  path, 9, dir.file("err.txt"));
    if (check.denied())
        GTEST_SKIP() << "refusing a read needs fanotify, which needs root (" << check.error() << ")";
    ASSERT_TRUE(check.held()) << check.error();
    EXPECT_EQ(check.finish(true), 1);
    const std::string out = readFileBytes(report);
    EXPECT_NE(out.find(": the file could not be read: Operation not permitted\n  1 problem\n"), std::string::npos)
        << out;
}
