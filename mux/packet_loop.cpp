// The one packet loop: interleaving the chosen streams' packets by
// timestamp, part after part.
//
// Each source is read through a cursor (source_cursor.h) that finds the
// packets of all of its chosen streams in one pass: a packet of the lane
// asked for is given out, a packet of another lane waits in that lane's
// queue, with its bytes in the cursor's window. A packet is written from
// the window where it lies: its bytes are never copied in user space, only
// read into the window and written out of it. Queues and windows are
// bounded: a lane that would need more is moved to a cursor of its own,
// which reads from where its next packet lies.
//
// The loop asks the run's reader for packets (plain, or tolerant of damage
// for a repair), the range whether a lane keeps a packet, and the split
// whether a new output file starts before it.
#include <algorithm>
#include <cassert>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/source_end.h"
#include "mux/start_locator.h"
#include "rm/input_file.h"
#include "rm/packet_reader.h"
#include "rm/packet_start.h"
#include "rm/output_file.h"

RmMuxer::LoopEnd RmMuxer::PacketLoop()
{
    // The parts one after another (a job side by side is one part), each
    // read through its own cursors and ended before the next starts.
    RunState& run = *m_run;
    for (int part = 0; part < run.partCount; ++part) {
        if (run.range.endsBefore(part)) {
            run.partCount = part;  // nothing of this part or the later ones is wanted
            break;
        }
        const LoopEnd end = ReadPart(part);
        if (end != LoopEnd::Finished)
            return end;
    }
    if (run.range.startPending()) {
        run.readFailure = run.range.startPastEnd(run.partCount);
        return LoopEnd::Failed;
    }
    return LoopEnd::Finished;
}

RmMuxer::LoopEnd RmMuxer::ReadPart(int part)
{
    RunState& run = *m_run;
    uint64_t seekFrom[kMaxSources];
    for (int f = 0; f < kMaxSources; ++f)
        seekFrom[f] = run.sources[f].dataStart;
    // A later part is placed by its own first timestamp; its streams'
    // headers say how long it lasts.
    uint32_t said = 0;
    for (int l = 0; l < m_streamCount; ++l)
        if (run.lanes[l].part == part)
            said = std::max(said, m_streams[l].fixed.duration);
    run.range.placePart(part, part > 0 ? StartLocator(*this, run).firstTimestamp(part) : 0, said);
    if (!run.readFailure.empty())
        return LoopEnd::Failed;
    if (run.range.startPending()) {
        switch (StartLocator(*this, run).locate(part, seekFrom)) {
        case StartFound::Failed:
            return LoopEnd::Failed;
        case StartFound::Cancelled:
            return LoopEnd::Cancelled;
        case StartFound::PastPart:
            return LoopEnd::Finished;
        case StartFound::InPart:
            break;
        }
    }
    for (int l = 0; l < m_streamCount; ++l)
        if (run.lanes[l].part == part) {
            run.lanes[l].plan.emplace(run.reader->unitRule(m_sourceFile[l], m_sourceStream[l], m_streams[l]), run.range.edit());
            run.lanes[l].offered = 0;
        }
    StartCursors(part, seekFrom);
    for (;;) {
        int64_t time = 0;
        const int chosen = ChooseLane(part, time);
        if (!run.readFailure.empty())
            return LoopEnd::Failed;
        if (chosen < 0 && g_stop)
            return LoopEnd::Cancelled;
        if (chosen < 0)
            break;
        Lane& lane = run.lanes[chosen];
        if (!run.range.shiftFixed()) {
            run.range.fixShift(part, run.lanes, m_streamCount);
            time = run.range.outputTime(lane, m_current[chosen]->header.timestamp);
        }
        // A unit its delay moves before 0 is left out whole.
        if (run.range.beforeZero(lane)) {
            ++run.outs[lane.out].droppedByDelay;
            m_current[chosen].reset();
            continue;
        }
        const PacketNode& packet = *m_current[chosen];
        rm::InFile& file = *m_files[m_sourceFile[chosen]];
        const auto keyframe = [&] { return rm::keyframeAt(file, packet.header, packet.offset); };
        if (run.split.active()
            && run.split.startsBefore(run.lanes[chosen].out, time, keyframe, run.file, m_props.data_offset,
                                      run.outCount)) {
            if (std::string error = StartNextFile(time); !error.empty()) {
                run.readFailure = error;
                return LoopEnd::Failed;
            }
        }
        if (!WritePacket(chosen, time))
            return LoopEnd::Failed;
        ReportProgress();
        if (g_stop)
            return LoopEnd::Cancelled;
    }
    EndPart(part);
    return LoopEnd::Finished;
}

int RmMuxer::ChooseLane(int part, int64_t& chosenTime)
{
    RunState& run = *m_run;
    int chosen = -1;
    for (int l = 0; l < m_streamCount; ++l) {
        const Lane& lane = run.lanes[l];
        if (lane.part != part || m_streamDone[l])
            continue;
        if (!m_current[l])
            FetchPacket(l);
        if (!run.readFailure.empty())
            return -1;
        if (!m_current[l] && !m_streamDone[l])
            return -1;  // a Cancel, seen while packets were passed over
        if (m_streamDone[l])
            continue;
        // Among equal times the lowest output stream number wins.
        const int64_t time = run.range.outputTime(lane, m_current[l]->header.timestamp);
        if (chosen < 0 || time < chosenTime || (time == chosenTime && lane.out < run.lanes[chosen].out)) {
            chosen = l;
            chosenTime = time;
        }
    }
    return chosen;
}

void RmMuxer::StartCursors(int part, const uint64_t seekFrom[kMaxSources])
{
    RunState& run = *m_run;
    run.cursorCount = 0;
    for (int l = 0; l < kMaxLanes; ++l)
        run.lanes[l].cursor = -1;
    for (uint16_t f = 0; f < m_fileCount; ++f) {
        int cursor = -1;
        for (int l = 0; l < m_streamCount; ++l) {
            if (m_sourceFile[l] != f || run.lanes[l].part != part)
                continue;
            if (cursor < 0) {
                cursor = run.cursorCount++;
                Source& source = run.sources[f];
                const uint64_t from = seekFrom[f];
                OpenCursor& open = run.cursors[cursor];
                open.cursor.start(*m_files[f], *m_out, from, from,
                                  from == source.dataStart ? source.dataWalk : source.dataWalk.from(from));
                open.source = f;
                open.from = from;
                open.primary = true;
                source.readWhole = from == source.dataStart;
                run.reader->attach(f, open.cursor);
                // The header pass is over: the source is read through its cursors.
                m_files[f]->releaseBuffer();
            }
            run.lanes[l].cursor = static_cast<int8_t>(cursor);
            run.lanes[l].readFrom = seekFrom[f];
        }
    }
}

uint64_t RmMuxer::KeepFrom(int cursor, int* pinnedBy) const
{
    // The first byte a lane of this cursor still needs: its current packet,
    // or else the first of its queue.
    uint64_t keep = m_run->cursors[cursor].cursor.scanPlace();
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_run->lanes[l].cursor != cursor)
            continue;
        uint64_t need = keep;
        if (m_current[l])
            need = m_current[l]->offset;
        else if (!m_queues[l].isEmpty())
            need = m_queues[l].front().offset;
        if (need < keep) {
            keep = need;
            if (pinnedBy)
                *pinnedBy = l;
        }
    }
    return keep;
}

void RmMuxer::GiveOwnCursor(int l)
{
    // The lane starts over where its next packet lies, and the cursor it
    // leaves passes over its packets from now on.
    RunState& run = *m_run;
    const uint16_t f = m_sourceFile[l];
    const int left = run.lanes[l].cursor;
    const int cursor = run.cursorCount++;
    const uint64_t from = m_current[l] ? m_current[l]->offset : m_queues[l].front().offset;
    const uint64_t scanFrom = m_current[l] ? from + m_current[l]->header.length : from;
    OpenCursor& open = run.cursors[cursor];
    open.cursor.start(*m_files[f], *m_out, from, scanFrom, run.cursors[left].cursor.walk().from(scanFrom));
    open.source = f;
    open.from = from;
    open.primary = false;
    run.reader->attach(f, open.cursor);
    run.lanes[l].cursor = static_cast<int8_t>(cursor);
    m_queues[l].init();
    ++m_readAhead.ownCursors;
}

void RmMuxer::OfferPacket(int l, const rm::RmPacketHeader& header, uint64_t offset)
{
    // A lane moved to a cursor of its own finds its held packets again:
    // they are queued again, not offered twice.
    Lane& lane = m_run->lanes[l];
    UnitPlanner& plan = *lane.plan;
    if (offset + 1 > lane.offered) {
        if (plan.rangeOver())
            return;  // nothing more of it is kept
        const bool key = plan.wantsKeyframe() && rm::keyframeAt(*m_files[m_sourceFile[l]], header, offset);
        plan.offer(m_run->range.laneTime(lane, header.timestamp), key);
        lane.offered = offset + 1;
    }
    if (!m_queues[l].push({header, offset}))
        GiveOwnCursor(l);
}

void RmMuxer::FetchPacket(int pos)
{
    RunState& run = *m_run;
    Lane& lane = run.lanes[pos];
    UnitPlanner& plan = *lane.plan;
    for (;;) {
        // The packets held for the lane, as its range decides on them.
        while (!m_queues[pos].isEmpty() && plan.decided()) {
            const PacketNode node = m_queues[pos].pop();
            const UnitPlanner::Taken taken = plan.take();
            if (taken.kept) {
                m_current[pos] = node;
                lane.unitStart = taken.unitStart;
                return;
            }
        }
        if (plan.finished() || !run.readFailure.empty()) {
            m_streamDone[pos] = 1;
            return;
        }
        if (!ReadOn(pos) && run.readFailure.empty())
            plan.close();
    }
}

bool RmMuxer::ReadOn(int pos)
{
    RunState& run = *m_run;
    const int cursor = run.lanes[pos].cursor;
    OpenCursor& open = run.cursors[cursor];
    const uint16_t f = open.source;
    const std::function<uint64_t()> keepFrom = [this, cursor] { return KeepFrom(cursor); };
    rm::RmPacketHeader header;
    uint64_t offset = 0;
    for (bool first = true;; first = false) {
        // A Cancel is seen here too, past the first step: a stretch of
        // packets that are not written (other streams', a range's, damage)
        // may be long.
        if (!first && g_stop)
            return false;
        switch (run.reader->next(f, open.cursor, header, offset, keepFrom)) {
        case SourceCursor::Step::Full: {
            // Another lane of this cursor holds on to bytes far behind.
            // (Without one, what the window keeps is less than a packet and
            // a read, far below its limit.)
            int pinnedBy = -1;
            KeepFrom(cursor, &pinnedBy);
            assert(pinnedBy >= 0);
            GiveOwnCursor(pinnedBy);
            if (pinnedBy == pos)
                return true;
            continue;
        }
        case SourceCursor::Step::Failed:
            run.readFailure = m_files[f]->readError();
            return false;
        case SourceCursor::Step::End:
            if (open.primary && run.readFailure.empty())
                SourceEnd(*this, run).at(f, open.cursor);
            return false;
        case SourceCursor::Step::Packet:
            break;
        }
        if (open.primary) {
            ++run.sources[f].packetsFound;
            run.bytesDone += header.length;
            run.reader->noteRead(f, header);
        }
        const uint16_t number = header.stream_number;
        if (!Taken(f, number))
            continue;
        const uint16_t l = m_streamMap[f * 10 + number];
        if (run.lanes[l].cursor != cursor || m_streamDone[l])
            continue;  // read by a cursor of its own, or past its range
        OfferPacket(l, header, offset);
        if (l == pos)
            return true;
    }
}

void RmMuxer::EndPart(int part)
{
    RunState& run = *m_run;
    NoteReadAhead();
    // The next part starts where this one ends.
    run.range.setPartEnd(part, run.range.partEnd(part, run.lanes, m_streamCount));
    for (int c = 0; c < run.cursorCount; ++c) {
        run.bytesRead += run.cursors[c].cursor.scanPlace() - run.cursors[c].from;
        // Packets still pending in the output lie in the window.
        m_out->flush();
        run.cursors[c].cursor.stop();
    }
    run.cursorCount = 0;
    for (int l = 0; l < m_streamCount; ++l)
        if (run.lanes[l].part == part) {
            m_current[l].reset();
            m_queues[l].release();
            run.lanes[l].cursor = -1;
        }
}

void RmMuxer::NoteReadAhead()
{
    for (int l = 0; l < m_streamCount; ++l)
        m_readAhead.queuedPackets = std::max(m_readAhead.queuedPackets, m_queues[l].highWater());
    for (int c = 0; c < m_run->cursorCount; ++c)
        m_readAhead.windowBytes = std::max(m_readAhead.windowBytes, m_run->cursors[c].cursor.highWater());
}

void RmMuxer::ReportProgress()
{
    const RunState& run = *m_run;
    if (m_indexTotal > 0)
        g_progress = static_cast<int32_t>(run.progressCount / m_indexTotal * 100.0f);
    else if (run.bytesTotal > 0)
        g_progress = static_cast<int32_t>(std::min<uint64_t>(run.bytesDone * 100 / run.bytesTotal, 100));
}
