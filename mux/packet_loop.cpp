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

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_ids.h"
#include "rm/input_file.h"
#include "rm/output_file.h"

void RmMuxer::StartCursors()
{
    m_cursorCount = 0;
    for (uint16_t f = 0; f < m_fileCount; ++f) {
        int cursor = -1;
        for (int o = 0; o < m_streamCount; ++o) {
            if (m_sourceFile[o] != f)
                continue;
            if (cursor < 0) {
                cursor = m_cursorCount++;
                m_cursors[cursor].start(*m_files[f], *m_out, m_dataStart[f], m_dataStart[f], m_dataWalk[f]);
                m_cursorSource[cursor] = f;
                m_cursorPrimary[cursor] = true;
                if (m_repair)
                    m_cursors[cursor].expect(&m_expect[f]);
                // The header pass is over: the source is read through its cursors.
                m_files[f]->releaseBuffer();
            }
            m_cursorOf[o] = static_cast<int8_t>(cursor);
        }
    }
}

uint64_t RmMuxer::KeepFrom(int cursor, int* pinnedBy) const
{
    // The first byte a stream of this cursor still needs: its current packet,
    // or else the first of its queue.
    uint64_t keep = m_cursors[cursor].scanPlace();
    for (int o = 0; o < m_streamCount; ++o) {
        if (m_cursorOf[o] != cursor)
            continue;
        uint64_t need = keep;
        if (m_hasCurrent[o])
            need = m_current[o].offset;
        else if (!m_queues[o].isEmpty())
            need = m_queues[o].front().offset;
        if (need < keep) {
            keep = need;
            if (pinnedBy)
                *pinnedBy = o;
        }
    }
    return keep;
}

void RmMuxer::GiveOwnCursor(int o)
{
    // The stream starts over where its next packet lies, and the cursor it
    // leaves passes over its packets from now on.
    const uint16_t f = m_sourceFile[o];
    const int left = m_cursorOf[o];
    const int cursor = m_cursorCount++;
    const uint64_t from = m_hasCurrent[o] ? m_current[o].offset : m_queues[o].front().offset;
    const uint64_t scanFrom = m_hasCurrent[o] ? from + m_current[o].header.length : from;
    m_cursors[cursor].start(*m_files[f], *m_out, from, scanFrom, m_cursors[left].walk().from(scanFrom));
    m_cursorSource[cursor] = f;
    m_cursorPrimary[cursor] = false;
    if (m_repair)
        m_cursors[cursor].expect(&m_expect[f]);
    m_cursorOf[o] = static_cast<int8_t>(cursor);
    m_queues[o].init();
    ++m_readAhead.ownCursors;
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
    for (;;) {
        int pinnedBy = -1;
        switch (reader.next(header, offset, KeepFrom(cursor, &pinnedBy))) {
        case SourceCursor::Step::Full:
            // Another stream of this cursor holds on to bytes far behind.
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
                m_lastStreamRead[f] = header.stream_number;
                for (rm::PacketExpectations::Stream& stream : m_expect[f].streams)
                    if (stream.number == header.stream_number)
                        stream.lastTimestamp = header.timestamp;
            }
        }
        const uint16_t number = header.stream_number;
        if (!Taken(f, number))
            continue;
        const uint16_t o = m_streamMap[f * 10 + number];
        if (m_cursorOf[o] != cursor)
            continue;  // read by a cursor of its own
        if (o == pos) {
            m_current[pos] = {header, offset};
            m_hasCurrent[pos] = true;
            return;
        }
        if (!m_queues[o].push({header, offset}))
            GiveOwnCursor(o);
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
    // checked against every count its headers give, none of which ended it.
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
    } else {
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

RmMuxer::LoopEnd RmMuxer::PacketLoop()
{
    StartCursors();
    for (;;) {
        int chosen = -1;
        for (int i = 0; i < m_streamCount; ++i) {
            if (m_streamDone[i])
                continue;
            if (!m_hasCurrent[i])
                FetchPacket(i);
            if (!m_readFailure.empty())
                return LoopEnd::Failed;
            if (m_streamDone[i])
                continue;
            // Among equal timestamps the lowest output stream number wins.
            if (chosen < 0 || m_current[i].header.timestamp < m_current[chosen].header.timestamp)
                chosen = i;
        }
        if (chosen < 0) {
            NoteReadAhead();
            return LoopEnd::Finished;
        }
        if (!WritePacket(chosen))
            return LoopEnd::Failed;
        ReportProgress();
        if (g_stop)
            return LoopEnd::Cancelled;
    }
}

bool RmMuxer::WritePacket(int o)
{
    const int cursor = m_cursorOf[o];
    const PacketNode& packet = m_current[o];
    uint8_t* bytes = m_cursors[cursor].bytes(packet.offset, packet.header.length, KeepFrom(cursor));
    if (!bytes) {
        // The packet was whole when another cursor found it.
        rm::InFile& file = *m_files[m_sourceFile[o]];
        m_readFailure = file.failed() ? file.readError()
                                      : file.path() + " changed while it was read: a packet found in it is gone";
        return false;
    }
    IndexPacket(o, bytes);
    // The packet goes out as it lies in the window, with its new stream
    // number written over the old one (big-endian, at byte 4 of its header).
    bytes[4] = static_cast<uint8_t>(o >> 8);
    bytes[5] = static_cast<uint8_t>(o);
    m_out->writeInPlace(bytes, packet.header.length);
    const uint32_t length = packet.header.length;
    const uint32_t payload = length - static_cast<uint32_t>(std::min<std::size_t>(rm::packetHeaderSize(bytes), length));
    m_written.add(packet.header.timestamp, length, payload);
    m_streamWritten[o].add(packet.header.timestamp, length, payload);
    if (m_repair)
        NoteRepairedPacket(o);
    m_hasCurrent[o] = false;
    ++m_packetsWritten;
    ++m_packetsCopied[o];
    return !m_out->failed();
}

void RmMuxer::NoteReadAhead()
{
    for (int o = 0; o < m_streamCount; ++o)
        m_readAhead.queuedPackets = std::max(m_readAhead.queuedPackets, m_queues[o].highWater());
    for (int c = 0; c < m_cursorCount; ++c)
        m_readAhead.windowBytes = std::max(m_readAhead.windowBytes, m_cursors[c].highWater());
}

void RmMuxer::PrepareIndexes(const MuxJob& job)
{
    for (int o = 0; o < m_streamCount; ++o) {
        m_buildIndex[o] = job.buildIndexes && m_indexTables[o].empty();
        m_indexVideo[o] = IsVideo(m_streams[o]);
        m_indexKept[o] = 0;
        m_indexCursor[o] = 0;
        m_nextIndexSecond[o] = 0;
        m_anyIndexed[o] = false;
        m_indexWritten[o] = 0;
    }
}

void RmMuxer::IndexPacket(int o, const uint8_t* bytes)
{
    const rm::RmPacketHeader& packet = m_current[o].header;
    const uint32_t timestamp = packet.timestamp;
    std::vector<rm::RmIndexEntry>& table = m_indexTables[o];
    rm::RmIndexEntry record{};
    record.timestamp = timestamp;
    record.offset = static_cast<uint32_t>(m_out->tell());
    record.packet_count = m_packetsWritten;

    if (m_buildIndex[o]) {
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
        if (starts)
            table.push_back(record);
        return;
    }

    // The source's records, in timestamp order, are pointed at the packets'
    // new places. A record that no packet of its stream carries is dropped,
    // so that no record points at bytes that are not its packet.
    uint32_t& k = m_indexCursor[o];
    while (k < table.size() && table[k].timestamp < timestamp) {
        ++k;
        m_progressCount += 1.0f;
    }
    if (k < table.size() && table[k].timestamp == timestamp) {
        record.object_version = table[k].object_version;
        table[m_indexKept[o]++] = record;
        ++k;
        m_progressCount += 1.0f;
    }
}

void RmMuxer::KeepMatchedIndexes()
{
    for (int o = 0; o < m_streamCount; ++o) {
        if (!m_buildIndex[o])
            m_indexTables[o].resize(m_indexKept[o]);
        m_indexWritten[o] = static_cast<uint32_t>(m_indexTables[o].size());
    }
}

void RmMuxer::ReportProgress()
{
    if (m_indexTotal > 0)
        g_progress = static_cast<int32_t>(m_progressCount / m_indexTotal * 100.0f);
    else if (m_bytesTotal > 0)
        g_progress = static_cast<int32_t>(std::min<uint64_t>(m_bytesDone * 100 / m_bytesTotal, 100));
}
