// The range planner's rule, unit by unit (see unit_range.h).
#include "mux/unit_range.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "mux/rm_muxer.h"
#include "rm/codec_header.h"

namespace {

// The audio codecs whose packets are interleaved in blocks.
bool interleaved(const std::string& codec)
{
    return codec == "cook" || codec == "atrc" || codec == "sipr";
}

}  // namespace

UnitRule unitRuleOf(const rm::RmStreamHeader& stream)
{
    const rm::CodecHeader codec = rm::readCodecHeader(stream.type_specific_data, stream.type_specific_len);
    UnitRule rule;
    if (IsVideo(stream)) {
        rule.kind = UnitKind::Frame;
        if (codec.frame_rate)
            rule.lengthMs = static_cast<uint32_t>(std::lround(1000.0 * 65536.0 / *codec.frame_rate));
        return rule;
    }
    if (!interleaved(codec.codec))
        return rule;
    rule.kind = UnitKind::Block;
    if (codec.interleave_height && codec.frame_size && codec.sub_packet_size && codec.frame_samples
        && codec.sample_rate && *codec.sample_rate != 0) {
        const double frames = static_cast<double>(*codec.interleave_height) * *codec.frame_size / *codec.sub_packet_size;
        rule.lengthMs = static_cast<uint32_t>(std::lround(frames * *codec.frame_samples * 1000.0 / *codec.sample_rate));
    }
    return rule;
}

void UnitPlanner::offer(int64_t time, bool keyframe)
{
    // Where only whole blocks are kept, a block that lost its flagged
    // packet still starts where the time changes, when its producer gives
    // all of a block's packets one time.
    const bool unflagged = m_rule.wholeBlock != 0 && m_unitPackets >= 2 && m_unitOneTime && time != m_unitStart;
    const bool starts = !m_any || m_rule.kind == UnitKind::Packet || (m_rule.kind == UnitKind::Frame && time != m_unitStart)
                        || (m_rule.kind == UnitKind::Block && (keyframe || unflagged));
    if (m_finished && starts) {
        // Past the range: nothing more is kept, and nothing need be held.
        m_held.push_back({Verdict::Drop, time, m_unit + 1, time});
        return;
    }
    if (starts)
        startUnit(time);
    if (m_rule.kind == UnitKind::Frame && starts && !m_videoStarted) {
        // Without a start, video starts at its first frame, keyframe or not:
        // what comes before the source's first keyframe is the source's.
        m_videoStarted = !m_range.start || (keyframe && time >= *m_range.start);
        if (!m_videoStarted)
            m_unitVerdict = Verdict::Drop;
        else if (m_range.end && time >= *m_range.end)
            m_unitVerdict = Verdict::Drop, m_finished = true;
        else
            settle(m_unit, time, true);
    }
    m_any = true;
    ++m_unitPackets;
    m_unitOneTime = m_unitOneTime && time == m_unitStart;
    m_held.push_back({m_unitVerdict, m_unitStart, m_unit, time});
}

void UnitPlanner::startUnit(int64_t time)
{
    if (m_any) {
        // The unit before this one ends here.
        endUnit(time);
        if (m_unitVerdict == Verdict::Keep)
            m_lastKeptEnd = time;
        noteStep(time);
        ++m_unit;
    }
    m_lastStart = time;
    m_unitStart = time;
    m_unitVerdict = Verdict::Pending;
    m_unitPackets = 0;
    m_unitOneTime = true;
    const bool pastEnd = m_range.end && time >= *m_range.end;
    if (m_rule.kind != UnitKind::Frame) {
        if (pastEnd) {
            m_unitVerdict = Verdict::Drop;
            m_finished = true;
        } else if ((!m_range.start || time >= *m_range.start) && m_rule.wholeBlock == 0) {
            settle(m_unit, time, true);
        }
        return;
    }
    // Video after its first frame: a frame before E settles every frame
    // held before it as kept; one at or after E is held, up to a few.
    if (!m_videoStarted || !m_any)
        return;
    if (!pastEnd) {
        for (Held& held : m_held)
            if (held.verdict == Verdict::Pending)
                settle(held.unit, held.unitStart, true);
        m_framesPastEnd = 0;
        settle(m_unit, time, true);
    } else if (++m_framesPastEnd > kReorderFrames) {
        for (Held& held : m_held)
            if (held.verdict == Verdict::Pending)
                held.verdict = Verdict::Drop;
        m_unitVerdict = Verdict::Drop;
        m_finished = true;
    }
}

void UnitPlanner::settle(uint32_t unit, int64_t start, bool keep)
{
    const Verdict verdict = keep ? Verdict::Keep : Verdict::Drop;
    for (Held& held : m_held)
        if (held.unit == unit)
            held.verdict = verdict;
    if (unit == m_unit)
        m_unitVerdict = verdict;
    if (!keep)
        return;
    if (!m_firstKept)
        m_firstKept = start;
    m_lastKeptStart = start;
    m_lastKeptEnd.reset();
}

void UnitPlanner::close()
{
    if (m_any && m_unitVerdict == Verdict::Pending) {
        if (m_rule.kind == UnitKind::Frame) {
            for (Held& held : m_held)
                if (held.verdict == Verdict::Pending)
                    held.verdict = Verdict::Drop;
            m_unitVerdict = Verdict::Drop;
        } else {
            endUnit(m_unitStart + m_rule.lengthMs.value_or(usualStep()));
        }
    }
    m_finished = true;
}

void UnitPlanner::endUnit(int64_t end)
{
    if (m_unitVerdict != Verdict::Pending || m_rule.kind == UnitKind::Frame)
        return;
    const bool broken = m_rule.kind == UnitKind::Block && m_rule.wholeBlock != 0 && m_unitPackets != m_rule.wholeBlock;
    if (broken) {
        ++m_brokenBlocks;
        m_brokenPackets += m_unitPackets;
    }
    settle(m_unit, m_unitStart, !broken && (!m_range.start || end > *m_range.start));
}

UnitPlanner::Taken UnitPlanner::take()
{
    const Held held = m_held.front();
    m_held.pop_front();
    if (held.verdict == Verdict::Keep)
        m_latestKept = std::max(m_latestKept.value_or(held.time), held.time);
    return {held.verdict == Verdict::Keep, held.unitStart};
}

std::optional<int64_t> UnitPlanner::lastEnd() const
{
    if (m_lastKeptEnd)
        return m_lastKeptEnd;
    if (!m_lastKeptStart)
        return std::nullopt;
    return *m_lastKeptStart + m_rule.lengthMs.value_or(usualStep());
}

void UnitPlanner::noteStep(int64_t start)
{
    if (start > m_lastStart)
        m_steps[m_stepAt++ % std::size(m_steps)] = static_cast<uint32_t>(std::min<int64_t>(start - m_lastStart, UINT32_MAX));
}

uint32_t UnitPlanner::usualStep() const
{
    // The most common of the last steps; ties go to the shorter.
    uint32_t best = 0;
    int bestCount = 0;
    for (uint32_t step : m_steps) {
        if (step == 0)
            continue;
        const int count = static_cast<int>(std::count(std::begin(m_steps), std::end(m_steps), step));
        if (count > bestCount || (count == bestCount && step < best)) {
            best = step;
            bestCount = count;
        }
    }
    return best;
}
