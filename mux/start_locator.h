// Where one part of a run starts: in the output, by its first packet; for
// a trim, in its own time: the video keyframe at or before the start
// (without video, the start itself), found through the source's index
// records so that only the bytes around it are read. And where each
// source's cursor then starts reading, early enough for the unit of each
// lane that plays at the start; what each lane keeps is its range
// planner's to say (unit_range.h).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "mux/mux_limits.h"
#include "rm/records.h"

class RmMuxer;
struct RunState;

enum class StartFound { InPart, PastPart, Failed, Cancelled };

class StartLocator {
public:
    StartLocator(RmMuxer& muxer, RunState& run) : m_muxer(muxer), m_run(run) {}

    // Finds the start of `part` and fills seekFrom[f] for each source read
    // by it. PastPart: the part ends before the start, which lies in a later part.
    StartFound locate(int part, uint64_t seekFrom[kMaxSources]);
    // The first timestamp of the part's own packets, which places a later
    // part in the output; a read that fails is left in the run.
    int64_t firstTimestamp(int part);

private:
    // What the scan of the anchor's source found: the keyframe, and
    // whether the data ended first.
    struct Scan {
        bool found = false;
        bool ended = true;
        uint32_t keyTime = 0;
        bool anyPacket = false;
        std::optional<uint64_t> damagedAt;  // where damage ended the data
    };

    // The lane the start is taken from: the part's video, else its first lane.
    int anchorOf(int part) const;
    bool recordHolds(uint16_t file, int lane, const rm::RmIndexEntry* record) const;
    uint64_t scanFrom(int anchor, uint32_t startMs) const;
    bool scanToKeyframe(int part, int anchor, uint64_t from, uint32_t startMs, Scan& scan);
    uint64_t seekPlace(int part, uint16_t g, uint32_t keyTime) const;

    RmMuxer& m_muxer;
    RunState& m_run;
};
