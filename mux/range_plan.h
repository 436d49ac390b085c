// The range of a job: which packets each lane keeps, from the start a trim
// finds in the sources to the end it asks, each output stream moved by its
// delay; and the timeline of the parts an append lays end to end. The
// packet loop asks it whether a lane keeps a packet and where the packet
// lies in the output's time; verify asks it the same.
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
    // Where part p starts in the output's time before the trim.
    int64_t partStart(int part) const { return m_partStart[part]; }
    void setPartEnd(int part, int64_t end) { m_partStart[part + 1] = end; }
    // Where a part ends: the latest end over its lanes, so that all of its
    // streams are shifted as one block.
    int64_t partEnd(int part, const Lane lanes[], int laneCount) const;
    // Nothing of part p, or of any later one, is wanted.
    bool endsBefore(int part) const { return m_end && m_partStart[part] >= *m_end; }

    // The trim's start is still to be found, and where it lies in part p's
    // own time.
    bool startPending() const { return m_startPending; }
    uint32_t startIn(int part) const;
    // The start was found in part p at its time keyTime, at the anchor's
    // keyframe at keyOffset: the lanes of the part wait for it.
    void startAt(int part, uint32_t keyTime);
    static void waitForStart(Lane& lane, bool anchor, bool audio, uint32_t keyTime, uint64_t keyOffset);
    // Why the run fails when no part held the start.
    std::string startPastEnd(int partCount) const;

    // Whether the lane keeps its packet with this timestamp at `offset`;
    // `isKeyframe` is asked only when it matters. A packet past the end
    // ends the lane, with all of its later packets.
    enum class Keep { Take, Skip, EndsLane, BeforeZero };
    template <class IsKeyframe>
    Keep keeps(Lane& lane, uint32_t timestamp, uint64_t offset, IsKeyframe&& isKeyframe);
    // A packet's timestamp in the output, before a split's part moves it.
    int64_t outputTime(const Lane& lane, uint32_t timestamp) const
    {
        return m_partStart[lane.part] + timestamp - m_shift + m_delay[lane.out];
    }
    int64_t delay(uint16_t out) const { return m_delay[out]; }

    // The trim as the report gives it; `end` is the end of the latest lane.
    void report(TrimReport& trim, int64_t end, uint64_t bytesRead) const;

private:
    Keep judgeTime(Lane& lane, uint32_t timestamp);

    std::optional<uint32_t> m_start, m_end;  // in the output's time before the shift
    bool m_startPending = false;
    bool m_keepTimestamps = false;
    int64_t m_shift = 0;       // subtracted from every time: where the output starts
    int64_t m_startFound = 0;  // where the output starts, in the output's time before the trim
    int64_t m_partStart[kMaxSources + 1]{};
    int64_t m_delay[kMaxStreams]{};
};

template <class IsKeyframe>
RangePlan::Keep RangePlan::keeps(Lane& lane, uint32_t timestamp, uint64_t offset, IsKeyframe&& isKeyframe)
{
    switch (lane.wait) {
    case Lane::Wait::Offset:
        if (offset != lane.from)
            return Keep::Skip;
        break;
    case Lane::Wait::Keyframe:
        if (timestamp < lane.fromTime || !isKeyframe())
            return Keep::Skip;
        break;
    case Lane::Wait::Time:
        if (timestamp < lane.fromTime)
            return Keep::Skip;
        break;
    case Lane::Wait::None:
        break;
    }
    lane.wait = Lane::Wait::None;
    return judgeTime(lane, timestamp);
}
