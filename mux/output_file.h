// One file the run writes, while it is written: a run writes one, a split
// several in turn, each finished, verified and put in place by the same code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mux/mux_limits.h"
#include "mux/written_figures.h"
#include "rm/records.h"

struct OutputFile {
    // The temporary file it is written to, until it is put in place.
    std::string tempPath;
    // The output time its timestamps count from (0 but for a split's later
    // parts), its packets, their bytes, and those bytes at the split
    // anchor's last keyframe.
    int64_t base = 0;
    uint32_t packets = 0;
    uint64_t bytes = 0;
    uint64_t bytesAtKeyframe = 0;
    uint32_t streamHeadersPos = 0;
    // What it holds, in all: its PROP figures.
    WrittenFigures written;

    // Per output stream: its index records, what the index builder last
    // saw, its end (its last packet plus its usual spacing) and its figures.
    struct Stream {
        std::vector<rm::RmIndexEntry> index;
        bool anyIndexed = false;
        uint32_t lastTimestamp = 0;
        uint32_t nextIndexSecond = 0;
        int64_t end = 0;
        WrittenFigures written;
    };
    Stream streams[kMaxStreams];

    // Per lane: the place in its source of its first packet in this file,
    // and how many of its packets the file holds.
    struct LaneSpan {
        uint64_t first = 0;
        uint32_t packets = 0;
    };
    LaneSpan lanes[kMaxLanes];
};
