#include "support/merge_run.h"

#include <gtest/gtest.h>

namespace testing_rm {

void addSources(RmMuxer& muxer, const std::vector<std::string>& paths)
{
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    for (const std::string& path : paths)
        ASSERT_GT(muxer.Scan(path, names, kinds), 0) << path << ": " << muxer.LastScanMessage();
}

namespace {

MuxJob merge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output, bool helper, bool cancel,
             bool buildIndexes = true)
{
    MuxJob job;
    job.buildIndexes = buildIndexes;
    for (int key : keys)
        job.selection[key] = 1;
    job.muxer = &muxer;
    job.addHelper = helper;
    ResetMergeSignals();
    g_stop = cancel ? 1 : 0;
    muxer.SetOutputPath(output);
    MuxWorker(&job);
    return job;
}

}  // namespace

MuxJob runMerge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output, bool helper,
                bool buildIndexes)
{
    return merge(muxer, keys, output, helper, false, buildIndexes);
}

MuxJob runCancelledMerge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output)
{
    return merge(muxer, keys, output, false, true);
}

ParsedFile mergedFile(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output, bool helper,
                      bool buildIndexes)
{
    const MuxJob job = runMerge(muxer, keys, output, helper, buildIndexes);
    EXPECT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    std::string error;
    auto parsed = parseRm(readFileBytes(output), &error);
    EXPECT_TRUE(parsed) << error;
    return parsed.value_or(ParsedFile{});
}

}  // namespace testing_rm
