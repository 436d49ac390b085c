// kestrova-cli's own options and the exit statuses its commands share:
// --version, --help for the program and for each command, a missing file.
#include <gtest/gtest.h>
#include <regex>

#include "kestrova_version.h"
#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

TEST(CliUsage, VersionIsTheProjectVersionInThreeParts)
{
    const Outcome o = cli({"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "kestrova " KESTROVA_VERSION "\n");
    EXPECT_TRUE(std::regex_match(o.out, std::regex("kestrova [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << o.out;
    EXPECT_EQ(o.err, "");
}

TEST(CliUsage, EachCommandsHelpShowsThatCommandsUsage)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"merge", "--help"}, {"merge", "-o", "out.rm", "-h"}, {"list", "--help"}, {"list", "--json", "-h"}}) {
        const Outcome o = cli(args);
        const std::string& command = args[0];
        const std::string other = command == "merge" ? "list" : "merge";
        EXPECT_EQ(o.status, 0) << command;
        EXPECT_EQ(o.err, "") << command;
        EXPECT_EQ(o.out.rfind("Usage:\n  kestrova-cli " + command + " ", 0), 0u) << o.out;
        EXPECT_EQ(o.out.find("kestrova-cli " + other), std::string::npos) << o.out;
    }
    const Outcome merge = cli({"merge", "--help"});
    for (const char* option : {"-o, --output OUTPUT", "--helper", "--quiet"})
        EXPECT_NE(merge.out.find(option), std::string::npos) << option;
    EXPECT_NE(cli({"list", "--help"}).out.find("--json"), std::string::npos);
}

TEST(CliUsage, ProgramHelpShowsEveryCommandAndAMistakeShowsTheCommandsUsage)
{
    const Outcome help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* line : {"kestrova-cli list ", "kestrova-cli merge ", "kestrova-cli --version"})
        EXPECT_NE(help.out.find(line), std::string::npos) << line;

    const Outcome mistake = cli({"merge", "--sideways", "a.rm"});
    EXPECT_EQ(mistake.status, 2);
    EXPECT_EQ(mistake.out, "");
    EXPECT_EQ(mistake.err.rfind("kestrova-cli: unknown option --sideways\nUsage:\n  kestrova-cli merge ", 0), 0u)
        << mistake.err;
    EXPECT_EQ(mistake.err.find("kestrova-cli list"), std::string::npos);
    // After "--", --help is a file name.
    EXPECT_EQ(cli({"list", "--", "--help"}).status, 2);
}

TEST(CliUsage, AMissingFileIsBadInputForListAndMergeAlike)
{
    TempDir dir;
    const std::string missing = dir.file("missing.rm");
    const Outcome list = cli({"list", missing, dataFile("video_rv10.rm")});
    EXPECT_EQ(list.status, 2);
    EXPECT_EQ(list.err, missing + ": The file cannot be opened: No such file or directory\n");
    EXPECT_NE(list.out.find("The Video Stream"), std::string::npos);  // the other file is still listed

    const Outcome merge = cli({"merge", "-o", dir.file("out.rm"), dataFile("video_rv10.rm"), missing});
    EXPECT_EQ(merge.status, 2);
    EXPECT_EQ(merge.err, "kestrova-cli: " + missing + ": The file cannot be opened: No such file or directory\n");

    // A refused file alongside a missing one: the run is still bad input.
    EXPECT_EQ(cli({"list", dataFile("audio_ra144.rm"), missing}).status, 2);
    EXPECT_EQ(cli({"list", missing, dataFile("audio_ra144.rm")}).status, 2);
    EXPECT_EQ(cli({"list", dataFile("audio_ra144.rm")}).status, 1);
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
