// A lane: one chosen source stream feeding one output stream, and what the
// run knows of it. Its source file and stream number are the muxer's
// m_sourceFile and m_sourceStream; its packet at hand and its queue are
// m_current and m_queues.
#pragma once

#include <cstdint>
#include <optional>

#include "mux/unit_range.h"

struct Lane {
    // The output stream it feeds, and its part: its place among the inputs
    // laid end to end (0 side by side).
    uint16_t out = 0;
    uint16_t part = 0;
    // The cursor reading it, or -1; and where its source's reading for its
    // part began (where a trim's start was sought, else the data's start):
    // its planner was offered its packets from there on.
    int8_t cursor = -1;
    uint64_t readFrom = 0;

    // Which of its packets the job's range keeps, unit by unit
    // (unit_range.h); the place after the last packet offered to it; the
    // start of the unit of its packet at hand.
    std::optional<UnitPlanner> plan;
    uint64_t offered = 0;
    int64_t unitStart = 0;

    // What it wrote: its packets, and the place of the first in its source.
    uint32_t written = 0;
    uint64_t first = 0;

    // Its index: the next source record to match, or whether it is built.
    uint32_t indexCursor = 0;
    bool buildIndex = false;
};
