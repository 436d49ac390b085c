// A lane: one chosen source stream feeding one output stream, and what the
// run knows of it. Its source file and stream number are the muxer's
// m_sourceFile and m_sourceStream; its packet at hand and its queue are
// m_current and m_queues.
#pragma once

#include <cstdint>

struct Lane {
    // The output stream it feeds, and its part: its place among the inputs
    // laid end to end (0 side by side).
    uint16_t out = 0;
    uint16_t part = 0;
    // The cursor reading it, or -1.
    int8_t cursor = -1;

    // What it waits for before it takes packets: the packet at `from` (the
    // start keyframe), the first keyframe at or after `fromTime`, or the
    // first packet at or after it.
    enum class Wait : uint8_t { None, Offset, Keyframe, Time };
    Wait wait = Wait::None;
    uint64_t from = 0;
    uint32_t fromTime = 0;

    // What it wrote: its packets, and whether its range ended it.
    uint32_t written = 0;
    bool cut = false;

    // Its latest time (in the output's time before the trim) and its usual
    // spacing: the most common step among its last steps.
    int64_t latest = 0;
    uint32_t lastTimestamp = 0;
    bool seen = false;
    uint32_t steps[8]{};
    uint8_t stepAt = 0;

    // Its index: the next source record to match, or whether it is built.
    uint32_t indexCursor = 0;
    bool buildIndex = false;

    // Notes a timestamp it took, in its source's time and the output's.
    void noteTime(uint32_t timestamp, int64_t time);
    // Forgets its times, for a start found later than they were noted.
    void forgetTimes();
    // The most common of its last steps between rising timestamps; ties go
    // to the shorter. 0 when it has none.
    uint32_t usualStep() const;
    // Where it ends: its latest time plus its usual spacing.
    int64_t end() const { return latest + usualStep(); }
};
