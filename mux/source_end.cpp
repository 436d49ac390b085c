// The end of a source's data, and what a run read of its sources (source_end.h).
#include <algorithm>
#include <cstring>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/source_end.h"
#include "rm/chunk_ids.h"
#include "rm/input_file.h"

void SourceEnd::at(uint16_t f, const SourceCursor& reader)
{
    if (m_run.sources[f].ended)
        return;
    if (reader.ranOnAt() != 0)
        warn(f, reader.ranOnAt(),
             "the data chunk's size ends it here, but its packets go on after it; they were read as well");
    switch (m_run.reader->howEnded(reader)) {
    case rm::PacketStart::Packet:
    case rm::PacketStart::EndOfData:
        return end(f, reader.walk());
    case rm::PacketStart::Cut:
        return end(f, reader.walk(), reader.endPlace(), "the data ends inside a packet");
    case rm::PacketStart::Damaged:
        return end(f, reader.walk(), reader.endPlace(),
                         "a packet header gives a length of " + std::to_string(reader.damagedLength())
                             + " bytes, too short to be right");
    }
}

void SourceEnd::end(uint16_t f, const rm::DataWalk& walk, uint64_t damagedAt, const std::string& damage)
{
    Source& source = m_run.sources[f];
    source.ended = true;
    // The data was read as far as it holds together: what was found is
    // checked against every count its headers give, none of which ended it
    // (when it was read from its start: a trim reads only a stretch of it).
    const std::vector<rm::DataChunkRead>& chunks = walk.chunks();
    const uint32_t found = source.packetsFound;
    uint64_t chunkCounts = 0;
    for (const rm::DataChunkRead& read : chunks)
        chunkCounts += read.chunk.header.num_packets;
    const uint32_t propCount = source.packetsPromised;
    const uint64_t promised = propCount != 0 ? propCount : chunkCounts;
    if (!damage.empty()) {
        source.damage = "at byte " + rm::formatOffset(damagedAt) + ", " + damage;
        warn(f, damagedAt,
             damage + "; the " + std::to_string(found) + " packets before it were copied"
                 + (promised > found ? ", of the " + std::to_string(promised) + " packets its headers count" : ""));
    } else if (source.readWhole) {
        for (const rm::DataChunkRead& read : chunks) {
            const uint32_t counted = read.chunk.header.num_packets;
            if (counted == 0 || read.several || counted == read.packets)
                continue;
            const std::string held = chunks.size() > 1 ? "this data chunk holds " : "the data chunk holds ";
            warn(f, read.chunk.start,
                 "the headers count " + std::to_string(counted) + " packets, but "
                     + (counted < read.packets ? held + std::to_string(read.packets) + "; all of them were read"
                                               : "only " + std::to_string(read.packets)
                                                     + " were found; the file may be cut short or damaged"));
        }
        // The properties' count, where the data chunks' counts have not told it already.
        if (propCount > found && propCount != chunkCounts)
            warn(f, source.dataStart,
                 "the properties count " + std::to_string(propCount) + " packets, but only " + std::to_string(found)
                     + " were found in the data; the file may be cut short or damaged");
    }
    warnUnreadChunks(f, chunks);
}

void SourceEnd::warn(uint16_t f, uint64_t offset, const std::string& text)
{
    m_muxer.Warn(f, offset, text);
}

void SourceEnd::warnUnreadChunks(uint16_t f, const std::vector<rm::DataChunkRead>& chunks)
{
    // A data chunk that next_data_header points at but that does not follow
    // the packets before it (an index between them) is not read: said, not
    // passed over in silence.
    for (const rm::DataChunkRead& read : chunks) {
        const uint32_t next = read.chunk.header.next_data_header;
        const auto isNext = [next](const rm::DataChunkRead& c) { return c.chunk.offset == next; };
        if (next == 0 || next == read.chunk.offset || next >= m_muxer.m_files[f]->size()
            || std::any_of(chunks.begin(), chunks.end(), isNext))
            continue;
        char id[rm::kChunkIdSize];
        rm::InFile& file = *m_muxer.m_files[f];
        if (file.readAt(id, sizeof id, next) == sizeof id && std::memcmp(id, rm::kIdData, sizeof id) == 0)
            warn(f, next,
                 "a data chunk starts here that does not follow the packets before it; its packets were not copied");
    }
}


std::string SourceEnd::checkWhatWasRead()
{
    // Every source a stream was taken from was read to the end of its data.
    // One that held no packet at all gave the output nothing of what was
    // asked of it: the merge fails rather than write streams without packets.
    // (A source a trim read only part of, or passed over, is not judged.)
    const RunState& run = m_run;
    for (uint16_t f = 0; f < m_muxer.m_fileCount; ++f) {
        bool selected = false;
        for (int l = 0; l < m_muxer.m_streamCount; ++l)
            selected = selected || m_muxer.m_sourceFile[l] == f;
        const Source& source = run.sources[f];
        if (!selected || source.packetsFound != 0 || !source.readWhole)
            continue;
        if (!source.damage.empty())
            return m_muxer.m_files[f]->path() + " holds no packets that can be read: " + source.damage;
        return run.reader->noPackets(m_muxer.m_files[f]->path(), source.hasDataChunk);
    }
    // An edit that keeps nothing writes nothing.
    uint32_t packets = 0;
    for (int o = 0; o < run.outCount; ++o)
        packets += run.outs[o].packets;
    if (packets == 0 && run.outCount > 0 && run.durationsWritten)
        return "The output would hold no packet: the range holds none of the sources'; nothing was written";
    for (int o = 0; o < run.outCount; ++o) {
        const int l = run.outs[o].lane;
        const uint16_t f = m_muxer.m_sourceFile[l];
        if (run.outs[o].packets == 0)
            warn(f, run.sources[f].dataStart,
                 "stream " + std::to_string(m_muxer.m_sourceStream[l])
                     + " has no packets; the output carries it empty");
        if (run.outs[o].droppedByDelay != 0)
            warn(f, run.sources[f].dataStart,
                 std::to_string(run.outs[o].droppedByDelay) + " packets of output stream " + std::to_string(o)
                     + " would fall before 0 with its delay of " + std::to_string(run.range.delay(o))
                     + " ms; they were left out");
    }
    return {};
}

void RmMuxer::Warn(uint16_t f, uint64_t offset, const std::string& text)
{
    m_run->warnings.push_back({m_files[f]->path(), offset, text});
}
