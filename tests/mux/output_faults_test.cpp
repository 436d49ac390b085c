// Faults met while the output is written: a file system that fills up, a
// folder that cannot be written, an output that fails at any point, and a
// cancel at any point. Each run ends with a message or a cancel, and leaves
// the disk as it found it: the source unchanged, the file already at the
// output path unchanged, no temporary file, no space taken.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "support/test_mount.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

constexpr char kPrecious[] = "the file the user had at the output path";

// One stream of `count` packets of `payload` bytes each.
std::string sourceOf(uint32_t count, std::size_t payload)
{
    FileSpec layout;
    layout.streams.resize(1);
    for (uint32_t k = 0; k < count; ++k)
        layout.packets.push_back({0, k, std::string(payload, static_cast<char>('a' + k % 26))});
    return buildFile(layout);
}

struct FaultFixture : ::testing::Test {
    TempDir dir;     // the source
    TempDir outDir;  // the output, beside a file already there
    std::string sourcePath = dir.file("source.rm");
    std::string outputPath = outDir.file("out.rm");
    std::string sourceBytes;

    void useSource(const std::string& bytes)
    {
        sourceBytes = bytes;
        writeFileBytes(sourcePath, bytes);
    }

    // Merges the source's stream into the output path, over kPrecious.
    MuxJob merge(RmMuxer& muxer)
    {
        writeFileBytes(outputPath, kPrecious);
        addSources(muxer, {sourcePath});
        return runMerge(muxer, {0}, outputPath);
    }

    void expectDiskAsItWas()
    {
        EXPECT_EQ(checksum(readFileBytes(sourcePath)), checksum(sourceBytes)) << "the source changed";
        EXPECT_EQ(checksum(readFileBytes(outputPath)), checksum(kPrecious)) << "the file at the output path changed";
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"out.rm"});
    }

    // The length of the complete output, merged into a folder of its own.
    uint64_t completeLength(std::initializer_list<int> keys)
    {
        TempDir elsewhere;
        RmMuxer muxer;
        addSources(muxer, {sourcePath});
        EXPECT_EQ(runMerge(muxer, keys, elsewhere.file("out.rm")).outcome, MuxOutcome::Completed);
        return fs::file_size(elsewhere.file("out.rm"));
    }
};

}  // namespace

TEST_F(FaultFixture, FullFileSystemFailsTheMergeWhereverItFillsUp)
{
    // Larger than the output's 1 MiB write buffer, so that writes fail in
    // the packet loop as well as when the output is finished.
    useSource(sourceOf(3000, 1000));
    const uint64_t length = completeLength({0});
    const uint64_t page = 4096;
    // Room for the file already there and: almost nothing; part of the
    // packets; all but the last page of the output.
    for (uint64_t room : {page, 1536 * 1024 + page, (length + page - 1) / page * page}) {
        SCOPED_TRACE("tmpfs of " + std::to_string(room) + " bytes for an output of " + std::to_string(length));
        TestMount mount;
        if (!mount.tmpfs(outDir.path().string(), room) && mount.denied())
            GTEST_SKIP() << mount.error() << "; CliMerge.FullDiskFailsCleanlyAndKeepsTheExistingOutput covers a "
                         << "full disk through a file size limit";
        ASSERT_EQ(mount.error(), "");
        writeFileBytes(outputPath, kPrecious);
        const auto free = freeBytes(outDir.path().string());

        RmMuxer muxer;
        const MuxJob job = merge(muxer);
        EXPECT_EQ(job.outcome, MuxOutcome::Failed);
        EXPECT_EQ(job.error, "Cannot write the output file: No space left on device");
        expectDiskAsItWas();
        EXPECT_EQ(freeBytes(outDir.path().string()), free);
    }
}

TEST_F(FaultFixture, ReadOnlyFolderFailsTheMergeBeforeAnythingIsWritten)
{
    useSource(sourceOf(10, 100));
    writeFileBytes(outputPath, kPrecious);
    TestMount mount;
    if (!mount.readOnly(outDir.path().string()) && mount.denied())
        GTEST_SKIP() << mount.error();
    ASSERT_EQ(mount.error(), "");

    RmMuxer muxer;
    const MuxJob job = merge(muxer);
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_EQ(job.error.rfind("Cannot create the output file in " + outDir.path().string() + ": ", 0), 0u)
        << job.error;
    expectDiskAsItWas();
}

TEST_F(FaultFixture, OutputFailingAtAnyPointLeavesTheDiskAsItWas)
{
    // The length limit fails the output at a chosen byte: in the header
    // section, the packets, the index chunks or the rewrites in place.
    FileSpec layout;
    layout.streams.resize(2);
    layout.streams[1].number = 1;
    for (uint32_t k = 0; k < 20; ++k)
        layout.packets.push_back({static_cast<uint16_t>(k % 2), k * 10, std::string(30 + k, 'p')});
    layout.indexes = {{0, {0, 40, 80}}, {1, {10, 50}}};
    useSource(buildFile(layout));
    const uint64_t length = completeLength({0, 1});

    for (uint64_t limit = 0; limit < length; limit += limit < 300 ? 1 : 37) {
        SCOPED_TRACE("output limited to " + std::to_string(limit) + " of " + std::to_string(length) + " bytes");
        RmMuxer muxer;
        muxer.m_outputLimit = limit;
        writeFileBytes(outputPath, kPrecious);
        addSources(muxer, {sourcePath});
        const MuxJob job = runMerge(muxer, {0, 1}, outputPath);
        ASSERT_EQ(job.outcome, MuxOutcome::Failed);
        EXPECT_NE(job.error.find("4 GiB"), std::string::npos) << job.error;
        expectDiskAsItWas();
        if (HasFailure())
            return;
    }
    RmMuxer muxer;
    muxer.m_outputLimit = length;
    addSources(muxer, {sourcePath});
    const MuxJob job = runMerge(muxer, {0, 1}, outputPath);
    EXPECT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
}

TEST_F(FaultFixture, CancelAtAnyPointFreesWhatWasReadAheadAndLeavesTheDiskAsItWas)
{
    // Stream 1's packets lie after all of stream 0's, with the same
    // timestamps: most of stream 0 waits in its queue while stream 1 is read.
    FileSpec layout;
    layout.streams.resize(2);
    layout.streams[1].number = 1;
    for (uint16_t number : {0, 1})
        for (uint32_t k = 0; k < 1000; ++k)
            layout.packets.push_back({number, k, std::string(1000, static_cast<char>('a' + k % 26))});
    useSource(buildFile(layout));

    int cancelled = 0;
    for (int32_t percent = 0; percent < 100; percent += 10) {
        SCOPED_TRACE("cancelled at " + std::to_string(percent) + "%");
        writeFileBytes(outputPath, kPrecious);
        RmMuxer muxer;
        addSources(muxer, {sourcePath});
        MuxJob job;
        job.selection[0] = job.selection[1] = 1;
        job.muxer = &muxer;
        muxer.SetOutputPath(outputPath);
        ResetMergeSignals();
        // Cancel as the progress dialog does, once the merge is that far; a
        // cancel at 0% comes before it starts, and is always seen.
        g_stop = percent == 0 ? 1 : 0;
        std::atomic<bool> over{false};
        std::thread user([&] {
            while (!over && g_progress < percent)
                std::this_thread::yield();
            if (!over)
                g_stop = 1;
        });
        MuxWorker(&job);
        over = true;
        user.join();

        if (job.outcome == MuxOutcome::Cancelled) {
            ++cancelled;
            expectDiskAsItWas();
            EXPECT_EQ(g_stop.load(), 0);
            EXPECT_TRUE(muxer.m_files[0] && muxer.m_files[0]->isOpen());
        } else {
            // The cancel came after the last packet: too late to be seen.
            ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
            const auto out = parseRm(readFileBytes(outputPath));
            ASSERT_TRUE(out);
            EXPECT_EQ(out->packets.size(), 2000u);
            EXPECT_EQ(outDir.entries(), std::vector<std::string>{"out.rm"});
        }
    }
    EXPECT_GT(cancelled, 0);
}
