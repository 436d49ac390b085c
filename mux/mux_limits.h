// How much one run holds: sources, streams, and the lanes between them.
#pragma once

#include <cstdint>

inline constexpr int kMaxSources = 10;
inline constexpr int kMaxStreams = 10;
// A lane is one source stream feeding one output stream: up to ten files
// end to end, each with up to ten streams.
inline constexpr int kMaxLanes = kMaxSources * kMaxStreams;
inline constexpr uint16_t kNoStream = 0xFFFF;
