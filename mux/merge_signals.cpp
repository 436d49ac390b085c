#include "mux/merge_signals.h"

std::atomic<int32_t> g_progress{0};
std::atomic<uint8_t> g_stop{0};

void ResetMergeSignals()
{
    g_progress = 0;
    g_stop = 0;
}
