// The range of a job: the start a trim finds in the sources and the end it
// asks, which each lane's planner (unit_range.h) turns into the units it
// keeps; each output stream moved by its delay; the shift that makes the
// output start at 0; and the timeline of the parts an append lays end to
// end. The packet loop asks it where a packet lies in the output's time;
// verify asks it the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "mux/lane.h"
#include "mux/mux_job.h"
#include "mux/mux_limits.h"

class RangePlan {
public:
    explicit RangePlan(const MuxJob& job);

    // A trim was asked: a start, an end, or both.
    bool trims() const { return m_start || m_end; }
    // The range each lane's planner keeps: S once found, and E.
    EditRange edit() const;

    // A part is placed by its own first timestamp `first` at where the part
    // before it ends; `said` is the longest duration its streams' headers give.
    void placePart(int part, int64_t first, uint32_t said)
    {
        m_partFirst[part] = first;
        m_partSaid[part] = said;
    }
    int64_t partStart(int part) const { return m_partStart[part]; }
    void setPartEnd(int part, int64_t end) { m_partStart[part + 1] = end; }
    // Where a part ends: where its last unit ends, or earlier where its
    // streams' headers say it ends, but after its last unit's start.
    int64_t partEnd(int part, const Lane lanes[], int laneCount) const;
    // Nothing of part p, or of any later one, is wanted.
    bool endsBefore(int part) const { return m_end && m_partStart[part] >= *m_end; }

    // The trim's start is still to be found, and where it lies in part p's
    // own time.
    bool startPending() const { return m_startPending; }
    uint32_t startIn(int part) const;
    // The start was found in part p at its time keyTime: S.
    void startAt(int part, uint32_t keyTime);
    // Why the run fails when no part held the start.
    std::string startPastEnd(int partCount) const;

    // The output starts at the earliest unit the lanes of the part keep,
    // once each has its first; before that, no packet is written.
    bool shiftFixed() const { return m_shiftFixed; }
    void fixShift(int part, const Lane lanes[], int laneCount);

    // A timestamp of part p, or of the lane, in the output's time before the shift.
    int64_t partTime(int part, int64_t timestamp) const { return m_partStart[part] + timestamp - m_partFirst[part]; }
    int64_t laneTime(const Lane& lane, uint32_t timestamp) const { return partTime(lane.part, timestamp); }
    // A packet's timestamp in the output, before a split's part moves it.
    int64_t outputTime(const Lane& lane, uint32_t timestamp) const
    {
        return laneTime(lane, timestamp) - m_shift + m_delay[lane.out];
    }
    // Whether the lane's delay moves the unit of its packet at hand before 0.
    bool beforeZero(const Lane& lane) const { return lane.unitStart - m_shift + m_delay[lane.out] < 0; }
    int64_t delay(uint16_t out) const { return m_delay[out]; }
    int64_t shift() const { return m_shift; }

    // The trim as the report gives it: each output stream's kept units.
    void report(TrimReport& trim, const Lane lanes[], int laneCount, const std::string kinds[], int outCount,
                uint64_t bytesRead) const;

private:
    std::optional<uint32_t> m_start, m_end;  // in the output's time before the shift
    bool m_startPending = false;
    bool m_keepTimestamps = false;
    bool m_shiftFixed = false;
    int64_t m_shift = 0;       // subtracted from every time: where the output starts
    int64_t m_startFound = 0;  // S, in the output's time before the shift
    int64_t m_partStart[kMaxSources + 1]{};
    int64_t m_partFirst[kMaxSources + 1]{};
    uint32_t m_partSaid[kMaxSources + 1]{};
    int64_t m_delay[kMaxStreams]{};
};
