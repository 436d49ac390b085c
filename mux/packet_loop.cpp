// Interleaving the chosen streams' packets by timestamp, and pointing their
// index records at the packets' new positions.
//
// Each source is read through a cursor (source_cursor.h) that finds the
// packets of all of its chosen streams in one pass: a packet of the stream
// asked for is given out, a packet of another chosen stream waits in that
// stream's queue, with its bytes in the cursor's window. A packet is written
// from the window where it lies: its bytes are never copied in user space,
// only read into the window and written out of it. Queues and windows are
// bounded: a stream that would need more is moved to a cursor of its own,
// which reads from where its next packet lies.
#include <algorithm>
#include <cassert>
#include <cstring>

#include "mux/media_time.h"
#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_ids.h"
#include "rm/input_file.h"
#include "rm/output_file.h"

namespace {

// The most common of a lane's last steps between rising timestamps; ties
// go to the shorter. 0 when it has none.
uint32_t usualStep(const uint32_t (&steps)[8])
{
    uint32_t best = 0;
    int bestCount = 0;
    for (uint32_t step : steps) {
        if (step == 0)
            continue;
        const int count = static_cast<int>(std::count(std::begin(steps), std::end(steps), step));
        if (count > bestCount || (count == bestCount && step < best)) {
            best = step;
            bestCount = count;
        }
    }
    return best;
}

}  // namespace

void RmMuxer::StartCursors(int part, const uint64_t seekFrom[kMaxSources])
{
    m_cursorCount = 0;
    std::fill(std::begin(m_cursorOf), std::end(m_cursorOf), int8_t{-1});
    for (uint16_t f = 0; f < m_fileCount; ++f) {
        int cursor = -1;
        for (int l = 0; l < m_streamCount; ++l) {
            if (m_sourceFile[l] != f || m_lanePart[l] != part)
                continue;
            if (cursor < 0) {
                cursor = m_cursorCount++;
                const uint64_t from = seekFrom[f];
                m_cursors[cursor].start(*m_files[f], *m_out, from, from,
                                        from == m_dataStart[f] ? m_dataWalk[f] : m_dataWalk[f].from(from));
                m_cursorSource[cursor] = f;
                m_cursorFrom[cursor] = from;
                m_cursorPrimary[cursor] = true;
                m_readWhole[f] = from == m_dataStart[f];
                if (m_repair)
                    m_cursors[cursor].expect(&m_expect[f]);
                // The header pass is over: the source is read through its cursors.
                m_files[f]->releaseBuffer();
            }
            m_cursorOf[l] = static_cast<int8_t>(cursor);
        }
    }
}

uint64_t RmMuxer::KeepFrom(int cursor, int* pinnedBy) const
{
    // The first byte a lane of this cursor still needs: its current packet,
    // or else the first of its queue.
    uint64_t keep = m_cursors[cursor].scanPlace();
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_cursorOf[l] != cursor)
            continue;
        uint64_t need = keep;
        if (m_hasCurrent[l])
            need = m_current[l].offset;
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
    const uint16_t f = m_sourceFile[l];
    const int left = m_cursorOf[l];
    const int cursor = m_cursorCount++;
    const uint64_t from = m_hasCurrent[l] ? m_current[l].offset : m_queues[l].front().offset;
    const uint64_t scanFrom = m_hasCurrent[l] ? from + m_current[l].header.length : from;
    m_cursors[cursor].start(*m_files[f], *m_out, from, scanFrom, m_cursors[left].walk().from(scanFrom));
    m_cursorSource[cursor] = f;
    m_cursorFrom[cursor] = from;
    m_cursorPrimary[cursor] = false;
    if (m_repair)
        m_cursors[cursor].expect(&m_expect[f]);
    m_cursorOf[l] = static_cast<int8_t>(cursor);
    m_queues[l].init();
    ++m_readAhead.ownCursors;
}

bool RmMuxer::IsKeyframe(uint16_t f, const rm::RmPacketHeader& header, uint64_t offset) const
{
    // Version 0 keeps the mark in the flags already read.
    constexpr uint8_t kKeyframeMark = 0x02;
    if (header.object_version == 0)
        return (header.flags & kKeyframeMark) != 0;
    uint8_t bytes[rm::kPacketHeaderSize + 1];
    return m_files[f]->readAt(bytes, sizeof bytes, offset) == sizeof bytes && rm::isKeyframe(bytes, sizeof bytes);
}

bool RmMuxer::TakesPacket(int l, const rm::RmPacketHeader& header, uint64_t offset)
{
    const uint32_t timestamp = header.timestamp;
    switch (m_laneWait[l]) {
    case LaneWait::Offset:
        if (offset != m_laneFrom[l])
            return false;
        break;
    case LaneWait::Keyframe:
        if (timestamp < m_laneFromTime[l] || !IsKeyframe(m_sourceFile[l], header, offset))
            return false;
        break;
    case LaneWait::Time:
        if (timestamp < m_laneFromTime[l])
            return false;
        break;
    case LaneWait::None:
        break;
    }
    m_laneWait[l] = LaneWait::None;
    // The output's time before the trim: where the part starts, plus the
    // packet's own. A frame past the end ends the lane, with all of its packets.
    const int64_t time = m_partOffset[m_lanePart[l]] + timestamp;
    if (m_trimEnd && time >= *m_trimEnd) {
        m_streamDone[l] = 1;
        m_laneCut[l] = true;
        return false;
    }
    NoteTime(l, timestamp, time);
    const uint16_t o = m_laneOut[l];
    if (time - m_trimShift + m_delay[o] < 0) {
        ++m_droppedByDelay[o];
        return false;
    }
    return true;
}

void RmMuxer::NoteTime(int l, uint32_t timestamp, int64_t time)
{
    if (m_laneSeen[l] && timestamp > m_laneLastTs[l])
        m_laneSteps[l][m_laneStepAt[l]++ % 8] = timestamp - m_laneLastTs[l];
    m_laneLastTs[l] = timestamp;
    m_laneLatest[l] = m_laneSeen[l] ? std::max(m_laneLatest[l], time) : time;
    m_laneSeen[l] = true;
}

int64_t RmMuxer::LaneEnd(int l) const
{
    return m_laneLatest[l] + usualStep(m_laneSteps[l]);
}

int64_t RmMuxer::OutputTime(int l) const
{
    return m_partOffset[m_lanePart[l]] + m_current[l].header.timestamp - m_trimShift + m_delay[m_laneOut[l]];
}

void RmMuxer::FetchPacket(int pos)
{
    if (!m_queues[pos].isEmpty()) {
        m_current[pos] = m_queues[pos].pop();
        m_hasCurrent[pos] = true;
        return;
    }
    const int cursor = m_cursorOf[pos];
    SourceCursor& reader = m_cursors[cursor];
    const uint16_t f = m_cursorSource[cursor];
    const bool primary = m_cursorPrimary[cursor];
    rm::RmPacketHeader header;
    uint64_t offset = 0;
    for (bool first = true;; first = false) {
        // A Cancel is seen here too, past the first step: a stretch of
        // packets that are not written (other streams', a trim's or a
        // delay's, damage) may be long.
        if (!first && g_stop)
            return;
        int pinnedBy = -1;
        switch (reader.next(header, offset, KeepFrom(cursor, &pinnedBy))) {
        case SourceCursor::Step::Full:
            // Another lane of this cursor holds on to bytes far behind.
            // (Without one, what the window keeps is less than a packet and
            // a read, far below its limit.)
            assert(pinnedBy >= 0);
            GiveOwnCursor(pinnedBy);
            continue;
        case SourceCursor::Step::Failed:
            m_readFailure = m_files[f]->readError();
            m_streamDone[pos] = 1;
            return;
        case SourceCursor::Step::End:
            // A repair goes on past damage, where it can.
            if (m_repair && Resynchronise(f, reader))
                continue;
            if (!m_readFailure.empty()) {
                m_streamDone[pos] = 1;
                return;
            }
            if (primary)
                EndSourceAt(f, reader);
            m_streamDone[pos] = 1;
            return;
        case SourceCursor::Step::Packet:
            break;
        }
        if (m_repair && !RepairTakes(f, reader, header, offset, KeepFrom(cursor)))
            continue;
        if (primary) {
            ++m_packetsFound[f];
            m_bytesDone += header.length;
            // What the next packet after damage may look like.
            if (m_repair) {
                m_lastStreamRead[f] = static_cast<uint16_t>(header.stream_number);
                for (rm::PacketExpectations::Stream& stream : m_expect[f].streams)
                    if (stream.number == header.stream_number)
                        stream.lastTimestamp = static_cast<uint32_t>(header.timestamp);
            }
        }
        const uint16_t number = header.stream_number;
        if (!Taken(f, number))
            continue;
        const uint16_t l = m_streamMap[f * 10 + number];
        if (m_cursorOf[l] != cursor || m_streamDone[l])
            continue;  // read by a cursor of its own, or past its range
        if (!TakesPacket(l, header, offset)) {
            if (l == pos && m_streamDone[pos])
                return;
            continue;
        }
        if (l == pos) {
            m_current[pos] = {header, offset};
            m_hasCurrent[pos] = true;
            return;
        }
        if (!m_queues[l].push({header, offset}))
            GiveOwnCursor(l);
    }
}

void RmMuxer::EndSourceAt(uint16_t f, const SourceCursor& reader)
{
    if (m_sourceEnded[f])
        return;
    if (reader.ranOnAt() != 0)
        Warn(f, reader.ranOnAt(),
             "the data chunk's size ends it here, but its packets go on after it; they were read as well");
    // A repair has recorded the damage it could not pass.
    if (m_repair)
        return EndSource(f, reader.walk());
    switch (reader.end()) {
    case rm::PacketStart::Packet:
    case rm::PacketStart::EndOfData:
        return EndSource(f, reader.walk());
    case rm::PacketStart::Cut:
        return EndSource(f, reader.walk(), reader.endPlace(), "the data ends inside a packet");
    case rm::PacketStart::Damaged:
        return EndSource(f, reader.walk(), reader.endPlace(),
                         "a packet header gives a length of " + std::to_string(reader.damagedLength())
                             + " bytes, too short to be right");
    }
}

void RmMuxer::EndSource(uint16_t f, const rm::DataWalk& walk, uint64_t damagedAt, const std::string& damage)
{
    m_sourceEnded[f] = true;
    // The data was read as far as it holds together: what was found is
    // checked against every count its headers give, none of which ended it
    // (when it was read from its start: a trim reads only a stretch of it).
    const std::vector<rm::DataChunkRead>& chunks = walk.chunks();
    const uint32_t found = m_packetsFound[f];
    uint64_t chunkCounts = 0;
    for (const rm::DataChunkRead& read : chunks)
        chunkCounts += read.chunk.header.num_packets;
    const uint32_t propCount = m_packetsPromised[f];
    const uint64_t promised = propCount != 0 ? propCount : chunkCounts;
    if (!damage.empty()) {
        Warn(f, damagedAt,
             damage + "; the " + std::to_string(found) + " packets before it were copied"
                 + (promised > found ? ", of the " + std::to_string(promised) + " packets its headers count" : ""));
    } else if (m_readWhole[f]) {
        for (const rm::DataChunkRead& read : chunks) {
            const uint32_t counted = read.chunk.header.num_packets;
            if (counted == 0 || read.several || counted == read.packets)
                continue;
            const std::string held = chunks.size() > 1 ? "this data chunk holds " : "the data chunk holds ";
            Warn(f, read.chunk.start,
                 "the headers count " + std::to_string(counted) + " packets, but "
                     + (counted < read.packets ? held + std::to_string(read.packets) + "; all of them were read"
                                               : "only " + std::to_string(read.packets)
                                                     + " were found; the file may be cut short or damaged"));
        }
        // The properties' count, where the data chunks' counts have not told it already.
        if (propCount > found && propCount != chunkCounts)
            Warn(f, m_dataStart[f],
                 "the properties count " + std::to_string(propCount) + " packets, but only " + std::to_string(found)
                     + " were found in the data; the file may be cut short or damaged");
    }
    WarnUnreadChunks(f, chunks);
}

void RmMuxer::WarnUnreadChunks(uint16_t f, const std::vector<rm::DataChunkRead>& chunks)
{
    // A data chunk that next_data_header points at but that does not follow
    // the packets before it (an index between them) is not read: said, not
    // passed over in silence.
    for (const rm::DataChunkRead& read : chunks) {
        const uint32_t next = read.chunk.header.next_data_header;
        const auto isNext = [next](const rm::DataChunkRead& c) { return c.chunk.offset == next; };
        if (next == 0 || next == read.chunk.offset || next >= m_files[f]->size()
            || std::any_of(chunks.begin(), chunks.end(), isNext))
            continue;
        char id[rm::kChunkIdSize];
        if (m_files[f]->readAt(id, sizeof id, next) == sizeof id && std::memcmp(id, rm::kIdData, sizeof id) == 0)
            Warn(f, next,
                 "a data chunk starts here that does not follow the packets before it; its packets were not copied");
    }
}

void RmMuxer::Warn(uint16_t f, uint64_t offset, const std::string& text)
{
    m_warnings.push_back({m_files[f]->path(), offset, text});
}

RmMuxer::LoopEnd RmMuxer::PacketLoop(const MuxJob& job)
{
    // The parts one after another (a job side by side is one part), each
    // read through its own cursors and ended before the next starts.
    for (int part = 0; part < m_partCount; ++part) {
        uint64_t seekFrom[kMaxSources];
        std::copy(std::begin(m_dataStart), std::end(m_dataStart), seekFrom);
        if (m_trimEnd && m_partOffset[part] >= *m_trimEnd) {
            m_partCount = part;  // nothing of this part or the later ones is wanted
            break;
        }
        if (m_startPending) {
            const uint32_t start = static_cast<uint32_t>(std::max<int64_t>(0, *m_trimStart - m_partOffset[part]));
            switch (LocateStart(part, start, seekFrom)) {
            case StartFound::Failed:
                return LoopEnd::Failed;
            case StartFound::Cancelled:
                return LoopEnd::Cancelled;
            case StartFound::PastPart:
                continue;
            case StartFound::InPart:
                break;
            }
        }
        StartCursors(part, seekFrom);
        for (;;) {
            int chosen = -1;
            int64_t chosenTime = 0;
            for (int l = 0; l < m_streamCount; ++l) {
                if (m_lanePart[l] != part || m_streamDone[l])
                    continue;
                if (!m_hasCurrent[l])
                    FetchPacket(l);
                if (!m_readFailure.empty())
                    return LoopEnd::Failed;
                if (!m_hasCurrent[l] && !m_streamDone[l])
                    return LoopEnd::Cancelled;  // seen while packets were passed over
                if (m_streamDone[l])
                    continue;
                // Among equal times the lowest output stream number wins.
                const int64_t time = OutputTime(l);
                if (chosen < 0 || time < chosenTime || (time == chosenTime && m_laneOut[l] < m_laneOut[chosen])) {
                    chosen = l;
                    chosenTime = time;
                }
            }
            if (chosen < 0)
                break;
            if (m_split.active() && SplitsBefore(chosen, chosenTime)) {
                if (std::string error = StartNextSplitPart(job, chosenTime); !error.empty()) {
                    m_readFailure = error;
                    return LoopEnd::Failed;
                }
            }
            if (!WritePacket(chosen, chosenTime))
                return LoopEnd::Failed;
            ReportProgress();
            if (g_stop)
                return LoopEnd::Cancelled;
        }
        EndPart(part);
    }
    if (m_startPending) {
        m_readFailure = "The start " + formatMediaTime(*m_trimStart) + " lies past the end of the output, at "
                        + formatMediaTime(static_cast<uint32_t>(m_partOffset[m_partCount]));
        return LoopEnd::Failed;
    }
    return LoopEnd::Finished;
}

void RmMuxer::EndPart(int part)
{
    NoteReadAhead();
    // The next part starts where this one ends: the latest end over its
    // lanes, so that all of its streams are shifted as one block.
    int64_t end = m_partOffset[part];
    for (int l = 0; l < m_streamCount; ++l)
        if (m_lanePart[l] == part && m_laneSeen[l])
            end = std::max(end, LaneEnd(l));
    m_partOffset[part + 1] = end;
    for (int c = 0; c < m_cursorCount; ++c) {
        m_bytesRead += m_cursors[c].scanPlace() - m_cursorFrom[c];
        // Packets still pending in the output lie in the window.
        m_out->flush();
        m_cursors[c].stop();
    }
    m_cursorCount = 0;
    for (int l = 0; l < m_streamCount; ++l)
        if (m_lanePart[l] == part) {
            m_hasCurrent[l] = false;
            m_queues[l].release();
            m_cursorOf[l] = -1;
        }
}

bool RmMuxer::WritePacket(int l, int64_t time)
{
    const uint16_t o = m_laneOut[l];
    const int64_t fileTime = time - m_splitBase;
    const uint32_t timestamp = static_cast<uint32_t>(std::clamp<int64_t>(fileTime, 0, UINT32_MAX));
    const int cursor = m_cursorOf[l];
    const PacketNode& packet = m_current[l];
    uint8_t* bytes = m_cursors[cursor].bytes(packet.offset, packet.header.length, KeepFrom(cursor));
    if (!bytes) {
        // The packet was whole when another cursor found it.
        rm::InFile& file = *m_files[m_sourceFile[l]];
        m_readFailure = file.failed() ? file.readError()
                                      : file.path() + " changed while it was read: a packet found in it is gone";
        return false;
    }
    IndexPacket(l, timestamp, bytes);
    // The packet goes out as it lies in the window, with its output stream
    // number and timestamp written over its own (big-endian, at bytes 4
    // and 6 of its header).
    bytes[4] = static_cast<uint8_t>(o >> 8);
    bytes[5] = static_cast<uint8_t>(o);
    if (timestamp != packet.header.timestamp) {
        bytes[6] = static_cast<uint8_t>(timestamp >> 24);
        bytes[7] = static_cast<uint8_t>(timestamp >> 16);
        bytes[8] = static_cast<uint8_t>(timestamp >> 8);
        bytes[9] = static_cast<uint8_t>(timestamp);
    }
    m_out->writeInPlace(bytes, packet.header.length);
    if (m_laneWritten[l]++ == 0)
        m_laneFirst[l] = packet.offset;
    m_outEnd[o] = std::max<int64_t>(m_outEnd[o], fileTime + usualStep(m_laneSteps[l]));
    const uint32_t length = packet.header.length;
    const uint32_t payload = length - static_cast<uint32_t>(std::min<std::size_t>(rm::packetHeaderSize(bytes), length));
    m_written.add(timestamp, length, payload);
    m_streamWritten[o].add(timestamp, length, payload);
    m_splitBytes += length;
    if (m_repair)
        NoteRepairedPacket(o);
    m_hasCurrent[l] = false;
    ++m_packetsWritten;
    ++m_packetsCopied[o];
    return !m_out->failed();
}

void RmMuxer::NoteReadAhead()
{
    for (int l = 0; l < m_streamCount; ++l)
        m_readAhead.queuedPackets = std::max(m_readAhead.queuedPackets, m_queues[l].highWater());
    for (int c = 0; c < m_cursorCount; ++c)
        m_readAhead.windowBytes = std::max(m_readAhead.windowBytes, m_cursors[c].highWater());
}

void RmMuxer::PrepareIndexes(const MuxJob& job)
{
    for (int l = 0; l < m_streamCount; ++l) {
        m_buildIndex[l] = job.buildIndexes && m_indexTables[l].empty();
        m_indexCursor[l] = 0;
    }
    for (int o = 0; o < kMaxStreams; ++o) {
        m_indexVideo[o] = o < m_outCount && IsVideo(m_streams[m_outLane[o]]);
        m_outIndex[o].clear();
        m_indexCopied[o] = m_indexBuiltCount[o] = 0;
        m_nextIndexSecond[o] = 0;
        m_anyIndexed[o] = false;
        m_indexWritten[o] = 0;
    }
}

void RmMuxer::IndexPacket(int l, uint32_t timestamp, const uint8_t* bytes)
{
    const rm::RmPacketHeader& packet = m_current[l].header;
    const uint16_t o = m_laneOut[l];
    rm::RmIndexEntry record{};
    record.timestamp = timestamp;
    record.offset = static_cast<uint32_t>(m_out->tell());
    record.packet_count = m_packetsWritten;

    if (m_buildIndex[l]) {
        // Video is sought by its keyframes: the first packet of each (its
        // frame's later packets carry the same timestamp). Other streams
        // are sought by the second: the first packet at or after each one.
        bool starts = false;
        if (m_indexVideo[o]) {
            starts = rm::isKeyframe(bytes, packet.length) && (!m_anyIndexed[o] || timestamp != m_lastTimestamp[o]);
            m_lastTimestamp[o] = timestamp;
            m_anyIndexed[o] = true;
        } else if (timestamp >= m_nextIndexSecond[o]) {
            starts = true;
            m_nextIndexSecond[o] = (timestamp / 1000 + 1) * 1000;
        }
        if (starts) {
            m_outIndex[o].push_back(record);
            ++m_indexBuiltCount[o];
        }
        return;
    }

    // The source's records, in timestamp order, are pointed at the packets'
    // new places and times. A record that no written packet of its stream
    // carries is dropped, so that no record points at bytes that are not
    // its packet.
    const std::vector<rm::RmIndexEntry>& table = m_indexTables[l];
    const uint32_t source = packet.timestamp;
    uint32_t& k = m_indexCursor[l];
    while (k < table.size() && table[k].timestamp < source) {
        ++k;
        m_progressCount += 1.0f;
    }
    if (k < table.size() && table[k].timestamp == source) {
        record.object_version = table[k].object_version;
        m_outIndex[o].push_back(record);
        ++m_indexCopied[o];
        ++k;
        m_progressCount += 1.0f;
    }
}

void RmMuxer::KeepMatchedIndexes()
{
    for (int o = 0; o < m_outCount; ++o)
        m_indexWritten[o] = static_cast<uint32_t>(m_outIndex[o].size());
}

void RmMuxer::ReportProgress()
{
    if (m_indexTotal > 0)
        g_progress = static_cast<int32_t>(m_progressCount / m_indexTotal * 100.0f);
    else if (m_bytesTotal > 0)
        g_progress = static_cast<int32_t>(std::min<uint64_t>(m_bytesDone * 100 / m_bytesTotal, 100));
}
