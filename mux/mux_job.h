// The record handed to the merge worker thread.
#pragma once

#include <cstdint>
#include <string>

class RmMuxer;

inline constexpr int kStreamKeyCount = 100;  // file index x 10 + stream_number

enum class MuxOutcome {
    NotRun,
    Completed,  // the output is complete at its path
    Cancelled,  // the user stopped the merge; nothing was written
    Failed      // the merge could not be done; `error` says why, nothing was written
};

struct MuxJob {
    // 1 where the stream with that key is to be merged.
    uint16_t selection[kStreamKeyCount] = {};
    RmMuxer* muxer = nullptr;
    // Adds the extra "application/helper" stream to the output.
    bool addHelper = false;

    // Read by the caller once the worker has ended.
    MuxOutcome outcome = MuxOutcome::NotRun;
    std::string error;
};

// The worker thread's entry: runs the merge of the MuxJob `job` points to.
unsigned MuxWorker(void* job);
