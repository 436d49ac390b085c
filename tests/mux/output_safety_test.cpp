// What a merge may and may not do to the disk: cancelled and failed runs
// leave it as they found it, sources are never written, an existing output
// survives until a complete one replaces it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

struct SafetyFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;
    std::string sourcePath;
    std::string sourceBytes;

    void SetUp() override
    {
        FileSpec plan;
        plan.streams.resize(1);
        for (uint32_t k = 0; k < 50; ++k)
            plan.packets.push_back({0, k * 10, std::string(200, static_cast<char>('a' + k % 26))});
        sourcePath = dir.file("source.rm");
        sourceBytes = buildFile(plan);
        writeFileBytes(sourcePath, sourceBytes);
        addSources(muxer, {sourcePath});
    }

    // The folder holds the source and `others`, and nothing left over.
    void expectOnly(std::vector<std::string> others)
    {
        others.push_back("source.rm");
        std::sort(others.begin(), others.end());
        EXPECT_EQ(dir.entries(), others);
        EXPECT_EQ(readFileBytes(sourcePath), sourceBytes);
    }
};

}  // namespace

TEST_F(SafetyFixture, CancelLeavesNoOutputAndKeepsTheSourcesOpen)
{
    const MuxJob job = runCancelledMerge(muxer, {0}, dir.file("out.rm"));
    EXPECT_EQ(job.outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(g_stop.load(), 0);
    expectOnly({});
    ASSERT_TRUE(muxer.m_files[0]);
    EXPECT_TRUE(muxer.m_files[0]->isOpen());

    // The same muxer can merge again after a cancel.
    const MuxJob again = runMerge(muxer, {0}, dir.file("out.rm"));
    EXPECT_EQ(again.outcome, MuxOutcome::Completed) << again.error;
    expectOnly({"out.rm"});
}

TEST_F(SafetyFixture, ExistingOutputSurvivesACancelAndIsReplacedByACompleteMerge)
{
    const std::string output = dir.file("out.rm");
    writeFileBytes(output, "precious");
    fs::permissions(output, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(runCancelledMerge(muxer, {0}, output).outcome, MuxOutcome::Cancelled);
    EXPECT_EQ(readFileBytes(output), "precious");
    expectOnly({"out.rm"});

    const MuxJob done = runMerge(muxer, {0}, output);
    ASSERT_EQ(done.outcome, MuxOutcome::Completed) << done.error;
    EXPECT_TRUE(parseRm(readFileBytes(output)));
    // The replaced file keeps the permissions the user gave it.
    EXPECT_EQ(fs::status(output).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    expectOnly({"out.rm"});
}

TEST_F(SafetyFixture, OutputPastTheLimitFailsAndLeavesNothing)
{
    const std::string output = dir.file("out.rm");
    writeFileBytes(output, "precious");
    muxer.m_outputLimit = 2000;
    const MuxJob job = runMerge(muxer, {0}, output);
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_NE(job.error.find("4 GiB"), std::string::npos) << job.error;
    EXPECT_EQ(readFileBytes(output), "precious");
    expectOnly({"out.rm"});
    // The end of a failed run is signalled like any other end.
    EXPECT_EQ(g_progress.load(), 255);
    EXPECT_EQ(g_stop.load(), 1);
}

TEST_F(SafetyFixture, OutputThatIsASourceIsRefusedUnderAnyName)
{
    fs::create_hard_link(sourcePath, dir.file("hard.rm"));
    fs::create_symlink(sourcePath, dir.file("soft.rm"));
    fs::create_directory(dir.file("sub"));
    for (const std::string& output :
         {sourcePath, dir.file("hard.rm"), dir.file("soft.rm"), dir.file("sub/../source.rm")}) {
        EXPECT_NE(muxer.OutputPathProblem(output), "") << output;
        const MuxJob job = runMerge(muxer, {0}, output);
        EXPECT_EQ(job.outcome, MuxOutcome::Failed) << output;
        EXPECT_NE(job.error.find("is one of the source files"), std::string::npos) << job.error;
    }
    expectOnly({"hard.rm", "soft.rm", "sub"});
}

TEST_F(SafetyFixture, OutputThatIsNotAWritableRegularFileIsNeverReplaced)
{
    fs::create_directory(dir.file("folder"));
    mkfifo(dir.file("pipe").c_str(), 0600);
    writeFileBytes(dir.file("kept.rm"), "read-only");
    fs::permissions(dir.file("kept.rm"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(muxer.OutputPathProblem(dir.file("kept.rm")), dir.file("kept.rm") + " is read-only and cannot be replaced");
    for (const std::string& output :
         {dir.file("folder"), dir.file("pipe"), std::string("/dev/null"), dir.file("kept.rm")}) {
        const MuxJob job = runMerge(muxer, {0}, output);
        EXPECT_EQ(job.outcome, MuxOutcome::Failed) << output;
        EXPECT_FALSE(job.error.empty());
    }
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    EXPECT_TRUE(fs::is_fifo(dir.file("pipe")));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_EQ(readFileBytes(dir.file("kept.rm")), "read-only");
    expectOnly({"folder", "kept.rm", "pipe"});
}

TEST_F(SafetyFixture, OutputInAFolderThatCannotBeWrittenFailsWithTheReason)
{
    const MuxJob missing = runMerge(muxer, {0}, dir.file("no/such/folder/out.rm"));
    EXPECT_EQ(missing.outcome, MuxOutcome::Failed);
    EXPECT_NE(missing.error.find("Cannot create the output file"), std::string::npos) << missing.error;
    EXPECT_EQ(muxer.OutputPathProblem(""), "No output file was given");
    expectOnly({});
}

TEST_F(SafetyFixture, LongOutputPathsAndNamesAreNotCut)
{
    std::string folder = dir.path().string();
    for (int i = 0; i < 3; ++i) {
        folder += "/" + std::string(100, static_cast<char>('p' + i));
        fs::create_directory(folder);
    }
    const std::string output = folder + "/" + std::string(120, 'o') + ".rm";
    ASSERT_GT(output.size(), 254u);
    const MuxJob job = runMerge(muxer, {0}, output);
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    EXPECT_TRUE(parseRm(readFileBytes(output)));

    // A name of 255 bytes, the most a folder entry holds, in two-byte characters.
    std::string name = "x";
    for (int i = 0; i < 125; ++i)
        name += "\xC3\xA9";
    name += "x.rm";
    ASSERT_EQ(name.size(), 255u);
    RmMuxer again;
    addSources(again, {sourcePath});
    const MuxJob longName = runMerge(again, {0}, dir.file(name));
    ASSERT_EQ(longName.outcome, MuxOutcome::Completed) << longName.error;
    EXPECT_TRUE(parseRm(readFileBytes(dir.file(name))));
}

TEST_F(SafetyFixture, ASecondRunAfterACompletedMergeFailsWithAMessage)
{
    ASSERT_EQ(runMerge(muxer, {0}, dir.file("one.rm")).outcome, MuxOutcome::Completed);
    const MuxJob job = runMerge(muxer, {0}, dir.file("two.rm"));
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_NE(job.error.find("no longer open"), std::string::npos) << job.error;
    expectOnly({"one.rm"});
}
