// The range of a job: its start and end, its shift and delays, and its parts' timeline.
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

EditRange RangePlan::edit() const
{
    return {m_start ? std::optional<int64_t>(m_startFound) : std::nullopt,
            m_end ? std::optional<int64_t>(*m_end) : std::nullopt};
}

int64_t RangePlan::partEnd(int part, const Lane lanes[], int laneCount) const
{
    // A split's part says its true length, the span to the next part's
    // start, though its last audio block plays on past it.
    // Either way it ends after the latest packet it holds.
    std::optional<int64_t> lastStart;
    int64_t dataEnd = m_partStart[part];
    int64_t afterLatest = INT64_MIN;
    for (int l = 0; l < laneCount; ++l)
        if (lanes[l].part == part && lanes[l].plan && lanes[l].plan->lastStart()) {
            lastStart = std::max(lastStart.value_or(INT64_MIN), *lanes[l].plan->lastStart());
            dataEnd = std::max(dataEnd, lanes[l].plan->lastStartEnd());
            if (const std::optional<int64_t> latest = lanes[l].plan->latestKept())
                afterLatest = std::max(afterLatest, *latest + 1);
        }
    const int64_t said = partTime(part, m_partSaid[part]);
    const int64_t end = lastStart ? std::min(dataEnd, std::max(said, *lastStart + 1)) : dataEnd;
    return std::max(end, afterLatest);
}

uint32_t RangePlan::startIn(int part) const
{
    return static_cast<uint32_t>(std::clamp<int64_t>(*m_start - partTime(part, 0), 0, UINT32_MAX));
}

void RangePlan::startAt(int part, uint32_t keyTime)
{
    m_startPending = false;
    m_startFound = partTime(part, keyTime);
}

void RangePlan::fixShift(int part, const Lane lanes[], int laneCount)
{
    m_shiftFixed = true;
    if (!m_start || m_keepTimestamps)
        return;
    std::optional<int64_t> first;
    for (int l = 0; l < laneCount; ++l)
        if (lanes[l].part == part && lanes[l].plan && lanes[l].plan->firstStart())
            first = std::min(first.value_or(INT64_MAX), *lanes[l].plan->firstStart());
    m_shift = first.value_or(m_startFound);
}

std::string RangePlan::startPastEnd(int partCount) const
{
    return "The start " + formatMediaTime(*m_start) + " lies past the end of the output, at "
           + formatMediaTime(static_cast<uint32_t>(m_partStart[partCount]));
}

void RangePlan::report(TrimReport& trim, const Lane lanes[], int laneCount, const std::string kinds[], int outCount,
                       uint64_t bytesRead) const
{
    const auto clamped = [](int64_t ms) { return static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, UINT32_MAX)); };
    trim.trimmed = trims();
    trim.askedStartMs = m_start;
    trim.askedEndMs = m_end;
    trim.startMs = m_start ? clamped(m_startFound) : 0;
    trim.shiftMs = clamped(m_shift);
    trim.bytesRead = bytesRead;
    // Each output stream from its first unit kept to its last one's end.
    int64_t end = 0;
    trim.streams.clear();
    for (int o = 0; o < outCount && trim.trimmed; ++o) {
        std::optional<int64_t> first, last;
        for (int l = 0; l < laneCount; ++l)
            if (lanes[l].out == o && lanes[l].written != 0 && lanes[l].plan && lanes[l].plan->firstStart()) {
                first = std::min(first.value_or(INT64_MAX), *lanes[l].plan->firstStart());
                last = std::max(last.value_or(INT64_MIN), lanes[l].plan->lastEnd().value_or(0));
            }
        if (!first)
            continue;
        trim.streams.push_back({kinds[o], clamped(*first), clamped(*last)});
        end = std::max(end, *last);
    }
    trim.endMs = clamped(end);
}
