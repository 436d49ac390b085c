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

MuxJob runMerge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output, bool helper)
{
    MuxJob job;
    for (int key : keys)
        job.selection[key] = 1;
    job.muxer = &muxer;
    job.addHelper = helper;
    ResetMergeSignals();
    muxer.SetOutputPath(output);
    MuxWorker(&job);
    return job;
}

}  // namespace testing_rm
