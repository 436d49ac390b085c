#include "support/whole_file_merge.h"

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"

namespace testing_rm {

WholeFileMerge mergeWholeFile(const std::string& path, const std::string& output, bool verify)
{
    WholeFileMerge merge;
    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];
    const int32_t count = muxer.Scan(path, names, kinds, numbers);
    merge.scanMessage = muxer.LastScanMessage();
    if (count == 0)
        return merge;
    for (int32_t k = 0; k < count; ++k) {
        merge.listed.names.push_back(names[k]);
        merge.listed.kinds.push_back(kinds[k]);
        merge.listed.numbers.push_back(numbers[k]);
        merge.job.selection[numbers[k]] = 1;
    }
    merge.job.muxer = &muxer;
    merge.job.verify = verify;
    ResetMergeSignals();
    muxer.SetOutputPath(output);
    MuxWorker(&merge.job);
    merge.job.muxer = nullptr;  // gone with this function
    return merge;
}

}  // namespace testing_rm
