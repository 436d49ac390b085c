// The range of a job: its start and end, its delays, and its parts' timeline.
#include "mux/range_plan.h"

#include <algorithm>

#include "mux/media_time.h"

RangePlan::RangePlan(const MuxJob& job)
    : m_start(job.startMs), m_end(job.endMs), m_startPending(job.startMs.has_value()),
      m_keepTimestamps(job.keepTimestamps)
{
    for (const auto& [stream, ms] : job.delays)
        if (stream < kMaxStreams)
            m_delay[stream] = ms;
}

int64_t RangePlan::partEnd(int part, const Lane lanes[], int laneCount) const
{
    int64_t end = m_partStart[part];
    for (int l = 0; l < laneCount; ++l)
        if (lanes[l].part == part && lanes[l].seen)
            end = std::max(end, lanes[l].end());
    return end;
}

uint32_t RangePlan::startIn(int part) const
{
    return static_cast<uint32_t>(std::max<int64_t>(0, *m_start - m_partStart[part]));
}

void RangePlan::startAt(int part, uint32_t keyTime)
{
    m_startPending = false;
    const int64_t start = m_partStart[part] + keyTime;
    m_shift = m_keepTimestamps ? 0 : start;
    m_startFound = start;
}

void RangePlan::waitForStart(Lane& lane, bool anchor, bool audio, uint32_t keyTime, uint64_t keyOffset)
{
    // The anchor starts at its keyframe, audio at its first block start at
    // or after it, anything else at its time.
    lane.forgetTimes();
    lane.fromTime = keyTime;
    lane.from = keyOffset;
    lane.wait = anchor ? Lane::Wait::Offset : audio ? Lane::Wait::Keyframe : Lane::Wait::Time;
}

std::string RangePlan::startPastEnd(int partCount) const
{
    return "The start " + formatMediaTime(*m_start) + " lies past the end of the output, at "
           + formatMediaTime(static_cast<uint32_t>(m_partStart[partCount]));
}

RangePlan::Keep RangePlan::judgeTime(Lane& lane, uint32_t timestamp)
{
    // The output's time before the trim: where the part starts, plus the
    // packet's own. A frame past the end ends the lane, with all of its packets.
    const int64_t time = m_partStart[lane.part] + timestamp;
    if (m_end && time >= *m_end) {
        lane.cut = true;
        return Keep::EndsLane;
    }
    lane.noteTime(timestamp, time);
    if (time - m_shift + m_delay[lane.out] < 0)
        return Keep::BeforeZero;
    return Keep::Take;
}

void RangePlan::report(TrimReport& trim, int64_t end, uint64_t bytesRead) const
{
    trim.trimmed = trims();
    trim.askedStartMs = m_start;
    trim.askedEndMs = m_end;
    trim.startMs = m_start ? static_cast<uint32_t>(m_startFound) : 0;
    trim.endMs = static_cast<uint32_t>(std::clamp<int64_t>(end, 0, UINT32_MAX));
    trim.shiftMs = static_cast<uint32_t>(m_shift);
    trim.bytesRead = bytesRead;
}
