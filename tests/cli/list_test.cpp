// kestrova-cli list: what it prints for real files and for files it refuses.
#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

}  // namespace

TEST(CliList, JsonListsTheUsableStreamsOfEachFileWithTheirDetails)
{
    const Outcome o = cli({"list", "--json", dataFile("video_rv20_ac3.rm"), dataFile("audio_ac3_meta.rm")});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const std::string expected =
        "[\n"
        "  {\"path\": \"" + dataFile("video_rv20_ac3.rm") + "\", \"size\": 105127, \"duration_ms\": 4005, "
        "\"title\": \"\", \"author\": \"\", \"copyright\": \"\", \"comment\": \"\", \"properties\": {}, \"indexed\": false, \"streams\": [\n"
        "    {\"number\": 0, \"kind\": \"video\", \"name\": \"The Video Stream\", \"mime\": \"video/x-pn-realvideo\", \"duration_ms\": 4000, "
        "\"codec\": \"RV20\", \"bit_rate\": 120000, \"max_bit_rate\": 120000, \"preroll_ms\": 0, "
        "\"width\": 160, \"height\": 120, \"fps\": 15},\n"
        "    {\"number\": 1, \"kind\": \"audio\", \"name\": \"The Audio Stream\", \"mime\": \"audio/x-pn-realaudio\", \"duration_ms\": 4005, "
        "\"codec\": \"dnet\", \"bit_rate\": 64000, \"max_bit_rate\": 64000, \"preroll_ms\": 0, "
        "\"sample_rate\": 44100, \"channels\": 1}\n"
        "  ]},\n"
        "  {\"path\": \"" + dataFile("audio_ac3_meta.rm") + "\", \"size\": 37531, \"duration_ms\": 3008, "
        "\"title\": \"Test Tone\", \"author\": \"Corpus Maker\", \"copyright\": \"(c) nobody\", \"comment\": \"a comment\", "
        "\"properties\": {}, \"indexed\": false, \"streams\": [\n"
        "    {\"number\": 0, \"kind\": \"audio\", \"name\": \"The Audio Stream\", \"mime\": \"audio/x-pn-realaudio\", \"duration_ms\": 3008, "
        "\"codec\": \"dnet\", \"bit_rate\": 96000, \"max_bit_rate\": 96000, \"preroll_ms\": 0, "
        "\"sample_rate\": 48000, \"channels\": 1}\n"
        "  ]}\n"
        "]\n";
    EXPECT_EQ(o.out, expected);
}

TEST(CliList, TheTableShowsEachStreamsCodecAndFigures)
{
    const Outcome o = cli({"list", dataFile("video_rv20_ac3.rm"), dataFile("video_rv20_indexed.rm")});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, dataFile("video_rv20_ac3.rm") + "\n"
                     "  0  video    The Video Stream          video/x-pn-realvideo          4000 ms  RV20 160x120 15 fps 120 kb/s\n"
                     "  1  audio    The Audio Stream          audio/x-pn-realaudio          4005 ms  dnet 44100 Hz 1 ch 64 kb/s\n"
                     + dataFile("video_rv20_indexed.rm") + "\n"
                     "  0  video    Video                     video/x-pn-realvideo          3933 ms  RV20 160x120 15 fps 143 kb/s\n");
}

TEST(CliList, JsonLeavesOutWhatAStreamDoesNotCarry)
{
    TempDir dir;
    FileSpec plan;
    plan.streams.resize(3);
    RealVideoSpec video;
    video.fps = 0x1DF852;  // 29.97
    plan.streams[0].typeSpecific = realVideoHeader(video);
    plan.streams[0].mime = "video/x-pn-realvideo";
    RealAudioSpec three;
    three.version = 3;
    three.codec = "lpcJ";
    plan.streams[1].number = 1;
    plan.streams[1].typeSpecific = realAudioHeader(three);
    plan.streams[2].number = 2;  // "codec" is no codec header
    plan.streams[2].preroll = 2000;
    plan.content.title = "caf\xe9";  // Latin-1
    plan.packets = {{0, 0, "v"}, {1, 0, "a"}, {2, 0, "b"}};
    plan.indexes = {{1, {0}}};
    writeFileBytes(dir.file("plain.rm"), buildFile(plan));
    const Outcome o = cli({"list", "--json", dir.file("plain.rm")});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("\"title\": \"caf\xc3\xa9\", \"author\": \"\""), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\"indexed\": true"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\"codec\": \"RV40\", \"bit_rate\": 0, \"max_bit_rate\": 0, \"preroll_ms\": 0, "
                         "\"width\": 320, \"height\": 240, \"fps\": 29.97}"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("\"codec\": \"lpcJ\", \"bit_rate\": 0, \"max_bit_rate\": 0, \"preroll_ms\": 0}"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("\"codec\": \"\", \"bit_rate\": 0, \"max_bit_rate\": 0, \"preroll_ms\": 2000}"),
              std::string::npos)
        << o.out;

    // The table leaves out what is not there, down to an empty last column.
    const Outcome table = cli({"list", dir.file("plain.rm")});
    EXPECT_NE(table.out.find("1000 ms  RV40 320x240 29.97 fps\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("1000 ms  lpcJ\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("1000 ms\n"), std::string::npos) << table.out;
}

TEST(CliList, JsonEscapesNamesAndKeepsNonUtf8Readable)
{
    TempDir dir;
    FileSpec plan;
    plan.streams.resize(2);
    plan.streams[0].name = "say \"hi\"\\\n";
    plan.streams[1].number = 1;
    plan.streams[1].name = "caf\xe9 \xc3\xa9";  // Latin-1 é, then UTF-8 é
    writeFileBytes(dir.file("names.rm"), buildFile(plan));
    const Outcome o = cli({"list", "--json", dir.file("names.rm")});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.out.find(R"("name": "say \"hi\"\\\u000a")"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("\"name\": \"caf\xc3\xa9 \xc3\xa9\""), std::string::npos) << o.out;
}

TEST(CliList, RefusedFilesAreNamedOnStderrWithWhyAndFailTheRun)
{
    TempDir dir;
    writeFileBytes(dir.file("empty.rm"), "");
    writeFileBytes(dir.file("text.rm"), "this is not a RealMedia file");
    const std::string whole = readFileBytes(dataFile("video_rv20_ac3.rm"));
    writeFileBytes(dir.file("cut.rm"), whole.substr(0, 150));
    const Outcome o = cli({"list", dir.file("empty.rm"), dir.file("text.rm"), dir.file("cut.rm"),
                           dataFile("audio_ra144.rm"), dataFile("video_rv10.rm")});
    EXPECT_EQ(o.status, 1);
    // The message, then on a line of its own what made the file invalid.
    const std::string invalid = ": Invalid RM file or no usable streams\n  ";
    const std::string notRealMedia = "Not a RealMedia file: no \".RMF\" at the start\n";
    EXPECT_EQ(o.err, dir.file("empty.rm") + invalid + notRealMedia + dir.file("text.rm") + invalid + notRealMedia
                         + dir.file("cut.rm") + invalid + "The header section is cut short at byte 86\n"
                         + dataFile("audio_ra144.rm") + invalid
                         + "No stream is usable: stream 0 (audio/x-pn-realaudio) has duration 0\n");
    // The good file is still listed.
    EXPECT_NE(o.out.find("The Video Stream"), std::string::npos);
}

TEST(CliList, LimitsAreReportedWithTheirReason)
{
    TempDir dir;
    FileSpec plan;
    plan.streams.resize(1);
    plan.streams[0].number = 12;
    writeFileBytes(dir.file("twelve.rm"), buildFile(plan));
    const Outcome o = cli({"list", dir.file("twelve.rm")});
    EXPECT_EQ(o.status, 1);
    // The limit's message says why; no second line.
    EXPECT_EQ(o.err, dir.file("twelve.rm") + ": The file has a usable stream numbered above 9, which a merge cannot hold\n");
}

TEST(CliList, ListsMoreThanTenFiles)
{
    std::vector<std::string> args = {"list"};
    for (int i = 0; i < 12; ++i)
        args.push_back(dataFile("video_rv10.rm"));
    const Outcome o = cli(args);
    EXPECT_EQ(o.status, 0) << o.err;
}

TEST(CliList, BadUsageExitsWithTwo)
{
    EXPECT_EQ(cli({}).status, 2);
    EXPECT_EQ(cli({"list"}).status, 2);
    EXPECT_EQ(cli({"list", "--yaml", "x.rm"}).status, 2);
    EXPECT_EQ(cli({"frobnicate"}).status, 2);
    const Outcome help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("kestrova-cli merge"), std::string::npos);
}
