// The two values the merge worker shares with the thread that shows its progress.
#pragma once

#include <atomic>
#include <cstdint>

// 0 to 100 while packets are written; 255 once the run is over.
extern std::atomic<int32_t> g_progress;
// Set to 1 by the user's Cancel and by the worker when a run is over;
// cleared by the worker once it has handled a cancel.
extern std::atomic<uint8_t> g_stop;

inline constexpr int32_t kProgressDone = 255;

// Clears both values before a worker is started.
void ResetMergeSignals();
