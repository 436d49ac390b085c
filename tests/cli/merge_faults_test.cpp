// kestrova-cli merge meeting faults while it works: held at a chosen point
// of its work, then cancelled by a signal, robbed of its output folder or
// refused a read of its source; writing to a full file system or a
// read-only folder. The user always gets a message and the exit status 1
// (2 when the source cannot be read at all), and the disk is left as it was
// found: the source unchanged, the file already at the output path
// unchanged, no temporary file.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstring>
#include <filesystem>
#include <tuple>

#include "support/held_merge.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "support/test_mount.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

constexpr char kPrecious[] = "the file the user had at the output path";

// kestrova-cli merge, held at its read number `reads` of `watched`. The scan
// reads the first 256 KiB of a source; the merge then reads its packets 256
// KiB at a time.
struct HeldMerge : HeldRun {
    HeldMerge(std::vector<std::string> args, const std::string& watched, int reads, const std::string& errFile)
        : HeldRun(withProgram(std::move(args)), watched, reads, errFile)
    {
    }
    static std::vector<std::string> withProgram(std::vector<std::string> args)
    {
        args.insert(args.begin(), KESTROVA_CLI);
        return args;
    }
};

struct CliFaultFixture : ::testing::Test {
    TempDir dir;     // the source and what the merge prints
    TempDir outDir;  // the output, beside a file already there
    std::string source = dir.file("source.rm");
    std::string output = outDir.file("out.rm");
    std::string err = dir.file("err.txt");
    std::string sourceBytes;

    // A source of 4 MiB: sixteen reads, four times the output's write buffer.
    void bigSource()
    {
        FileSpec layout;
        layout.streams.resize(1);
        for (uint32_t k = 0; k < 1024; ++k)
            layout.packets.push_back({0, k, std::string(4096, static_cast<char>('a' + k % 26))});
        useSource(buildFile(layout));
    }

    void useSource(const std::string& bytes)
    {
        sourceBytes = bytes;
        writeFileBytes(source, sourceBytes);
        writeFileBytes(output, kPrecious);
    }

    std::string message() const { return readFileBytes(err); }

    void expectDiskAsItWas()
    {
        EXPECT_EQ(checksum(readFileBytes(source)), checksum(sourceBytes)) << "the source changed";
        EXPECT_EQ(checksum(readFileBytes(output)), checksum(kPrecious)) << "the file at the output path changed";
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"out.rm"});
    }
};

}  // namespace

TEST_F(CliFaultFixture, CancelBySignalAtManyPointsLeavesTheDiskAsItWas)
{
    bigSource();
    // The signals a terminal and the system send, from the first read of the
    // merge (the scan made the first) to the last but one.
    const std::vector<std::pair<int, int>> cancels = {
        {SIGINT, 2}, {SIGTERM, 3}, {SIGHUP, 5}, {SIGINT, 8}, {SIGTERM, 12}, {SIGHUP, 16}};
    for (const auto& [sig, reads] : cancels) {
        SCOPED_TRACE(std::string(strsignal(sig)) + " at read " + std::to_string(reads));
        HeldMerge merge({"merge", "-o", output, source}, source, reads, err);
        if (merge.denied())
            GTEST_SKIP() << "holding a merge at a read needs fanotify, which needs root (" << merge.error()
                         << "); CliMerge.InterruptCancelsTheMergeAndRemovesThePartialOutput cancels one";
        ASSERT_TRUE(merge.held()) << merge.error();
        merge.signal(sig);
        EXPECT_EQ(merge.finish(), 1);
        EXPECT_EQ(message(), "kestrova-cli: merge cancelled; nothing was written\n");
        expectDiskAsItWas();
    }
}

TEST_F(CliFaultFixture, OutputFolderRemovedDuringTheMergeFailsWithAMessage)
{
    bigSource();
    HeldMerge merge({"merge", "-o", output, source}, source, 8, err);
    if (merge.denied())
        GTEST_SKIP() << "holding a merge at a read needs fanotify, which needs root (" << merge.error() << ")";
    ASSERT_TRUE(merge.held()) << merge.error();
    fs::remove_all(outDir.path());
    EXPECT_EQ(merge.finish(), 1);
    EXPECT_EQ(message(), "kestrova-cli: Cannot put the output at " + output + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(outDir.path()));
    EXPECT_EQ(checksum(readFileBytes(source)), checksum(sourceBytes));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"err.txt", "source.rm"}));
}

TEST_F(CliFaultFixture, ReadErrorsFailTheMergeNamingTheSource)
{
    bigSource();
    // The merge reads the packets 256 KiB at a time, from the start of the
    // page that holds the first one.
    const uint64_t firstRead = (parseRm(sourceBytes).value().dataOffset + 18) / 4096 * 4096;
    const auto at = [&](uint64_t offset) {
        std::string digits = std::to_string(offset);
        for (auto k = static_cast<std::ptrdiff_t>(digits.size()) - 3; k > 0; k -= 3)
            digits.insert(static_cast<std::size_t>(k), ",");
        return " at byte " + digits + ": Operation not permitted";
    };
    // The scan's read, and reads of the merge's packets: each refused read
    // (EPERM, as a file-access policy gives) ends the run with a message
    // naming the file and the byte, never as the end of the file.
    for (const auto& [reads, status, text] : std::vector<std::tuple<int, int, std::string>>{
             {1, 2, source + ": The file cannot be read" + at(0)},
             {2, 1, "Could not read " + source + at(firstRead)},
             {9, 1, "Could not read " + source + at(firstRead + 7 * 256 * 1024)}}) {
        SCOPED_TRACE("read " + std::to_string(reads) + " refused");
        HeldMerge merge({"merge", "-o", output, source}, source, reads, err);
        if (merge.denied())
            GTEST_SKIP() << "refusing a read needs fanotify, which needs root (" << merge.error() << ")";
        ASSERT_TRUE(merge.held()) << merge.error();
        EXPECT_EQ(merge.finish(true), status);
        EXPECT_EQ(message(), "kestrova-cli: " + text + "\n");
        expectDiskAsItWas();
    }
}

TEST_F(CliFaultFixture, FullFileSystemFailsWithAMessage)
{
    TestMount mount;
    if (!mount.tmpfs(outDir.path().string(), 64 * 1024) && mount.denied())
        GTEST_SKIP() << mount.error() << "; CliMerge.FullDiskFailsCleanlyAndKeepsTheExistingOutput covers a full "
                     << "disk through a file size limit";
    ASSERT_EQ(mount.error(), "");
    useSource(readFileBytes(dataFile("video_rv20_ac3.rm")));
    const Outcome o = run({KESTROVA_CLI, "merge", "-o", output, source});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "kestrova-cli: Cannot write the output file: No space left on device\n");
    expectDiskAsItWas();
}

TEST_F(CliFaultFixture, ReadOnlyFolderFailsWithAMessage)
{
    useSource(readFileBytes(dataFile("video_rv10.rm")));
    TestMount mount;
    if (!mount.readOnly(outDir.path().string()) && mount.denied())
        GTEST_SKIP() << mount.error();
    ASSERT_EQ(mount.error(), "");
    const Outcome o = run({KESTROVA_CLI, "merge", "-o", output, source});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err.rfind("kestrova-cli: Cannot create the output file in " + outDir.path().string() + ": ", 0), 0u)
        << o.err;
    expectDiskAsItWas();
}
