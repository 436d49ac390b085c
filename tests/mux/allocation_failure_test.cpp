// A merge whose every allocation, one at a time, fails: the run ends as a
// failure with a message, never calls std::terminate, and leaves the disk
// as it found it. This program replaces operator new so that the chosen
// allocation throws std::bad_alloc, as it does when memory runs out.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// The number of allocations to let through before one fails; -1 lets all through.
std::atomic<long> g_allocationsLeft{-1};

}  // namespace

void* operator new(std::size_t size)
{
    if (g_allocationsLeft.load() >= 0 && g_allocationsLeft.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

// The matching releases: the replacement above takes its memory from
// malloc. (GCC cannot see that the two belong together.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop

TEST(AllocationFailure, EveryAllocationOfTheMergeMayFailWithoutLosingTheDisk)
{
    FileSpec plan;
    plan.streams.resize(2);
    plan.streams[1].number = 1;
    for (uint32_t k = 0; k < 12; ++k)
        plan.packets.push_back({static_cast<uint16_t>(k % 2), k * 10, std::string(100 + k, 'p')});
    plan.indexes = {{0, {0, 20, 40}}, {1, {10, 30}}};
    TempDir dir;
    TempDir outDir;
    const std::string source = dir.file("source.rm");
    const std::string bytes = buildFile(plan);
    writeFileBytes(source, bytes);
    const std::string output = outDir.file("out.rm");

    long failures = 0;
    for (long failAt = 0;; ++failAt) {
        SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
        writeFileBytes(output, "older file");
        RmMuxer muxer;
        addSources(muxer, {source});
        MuxJob job;
        job.selection[0] = job.selection[1] = 1;
        job.muxer = &muxer;
        muxer.SetOutputPath(output);
        ResetMergeSignals();
        g_allocationsLeft = failAt;
        MuxWorker(&job);
        const bool failedOne = g_allocationsLeft.exchange(-1) < 0;
        if (!failedOne) {
            // The whole merge ran before the chosen allocation.
            ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
            EXPECT_TRUE(parseRm(readFileBytes(output)));
            break;
        }
        ++failures;
        EXPECT_EQ(g_progress, kProgressDone);
        EXPECT_EQ(g_stop, 1);
        if (job.outcome == MuxOutcome::Completed)
            continue;  // what failed was not needed for the output
        EXPECT_EQ(job.outcome, MuxOutcome::Failed);
        EXPECT_EQ(job.error, "The merge ran out of memory; nothing was written");
        EXPECT_EQ(readFileBytes(output), "older file");
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"out.rm"});
        if (HasFailure())
            break;
    }
    EXPECT_EQ(readFileBytes(source), bytes);
    EXPECT_GT(failures, 10);
}
