// kestrova-cli list: what it prints for real files and for files it refuses.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

Outcome cli(std::vector<std::string> args)
{
    args.insert(args.begin(), KESTROVA_CLI);
    return run(args);
}

}  // namespace

TEST(CliList, JsonListsTheUsableStreamsOfEachFile)
{
    const Outcome o = cli({"list", "--json", dataFile("video_rv20_ac3.rm"), dataFile("audio_ac3_meta.rm")});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const std::string expected =
        "[\n"
        "  {\"path\": \"" + dataFile("video_rv20_ac3.rm") + "\", \"streams\": [\n"
        "    {\"number\": 0, \"kind\": \"video\", \"name\": \"The Video Stream\", \"mime\": \"video/x-pn-realvideo\", \"duration_ms\": 4000},\n"
        "    {\"number\": 1, \"kind\": \"audio\", \"name\": \"The Audio Stream\", \"mime\": \"audio/x-pn-realaudio\", \"duration_ms\": 4005}\n"
        "  ]},\n"
        "  {\"path\": \"" + dataFile("audio_ac3_meta.rm") + "\", \"streams\": [\n"
        "    {\"number\": 0, \"kind\": \"audio\", \"name\": \"The Audio Stream\", \"mime\": \"audio/x-pn-realaudio\", \"duration_ms\": 3008}\n"
        "  ]}\n"
        "]\n";
    EXPECT_EQ(o.out, expected);
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

TEST(CliList, RefusedFilesAreNamedOnStderrAndFailTheRun)
{
    TempDir dir;
    writeFileBytes(dir.file("empty.rm"), "");
    writeFileBytes(dir.file("text.rm"), "this is not a RealMedia file");
    const std::string whole = readFileBytes(dataFile("video_rv20_ac3.rm"));
    writeFileBytes(dir.file("cut.rm"), whole.substr(0, 150));
    const Outcome o = cli({"list", dir.file("empty.rm"), dir.file("text.rm"), dir.file("cut.rm"),
                           dataFile("audio_ra144.rm"), dataFile("video_rv10.rm")});
    EXPECT_EQ(o.status, 1);
    for (const char* name : {"empty.rm", "text.rm", "cut.rm"})
        EXPECT_NE(o.err.find(dir.file(name) + ": Invalid RM file or no usable streams\n"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(dataFile("audio_ra144.rm") + ": Invalid RM file or no usable streams\n"), std::string::npos);
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
    EXPECT_NE(o.err.find("numbered above 9"), std::string::npos) << o.err;
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
