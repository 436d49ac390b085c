// Walking a source's data chunks: the packets of each, and the step from
// one chunk into the next.
#include "rm/data_walk.h"

#include <algorithm>
#include <cstring>

#include "rm/chunk_ids.h"
#include "rm/reversed.h"

namespace rm {

namespace {

// An ID3v1 tag: the last 128 bytes of a file, opening with "TAG", which
// tools append to any file they tag. It is never packet data.
constexpr uint64_t kId3v1Size = 128;
constexpr char kId3v1Id[] = "TAG";

}  // namespace

DataWalk::DataWalk(const DataChunk& first, uint64_t fileSize, uint32_t indexOffset)
    : m_fileSize(fileSize), m_indexOffset(indexOffset)
{
    m_chunks.reserve(2);
    enter(first);
}

void DataWalk::enter(const DataChunk& chunk)
{
    if (m_chunks.size() < kChunksKept) {
        m_chunks.push_back({chunk});
    } else {
        m_chunks.back().chunk = chunk;
        m_chunks.back().several = true;
    }
    m_end = chunk.end;
    m_runOnEnd = chunk.runOnEnd;
}

std::size_t DataWalk::want(uint64_t pos) const
{
    return static_cast<std::size_t>(std::min<uint64_t>(m_fileSize - std::min(pos, m_fileSize), kLookSize));
}

DataWalk::Place DataWalk::at(uint64_t pos, const uint8_t* bytes, std::size_t got, RmPacketHeader& header)
{
    const std::size_t want = this->want(pos);
    // The next data chunk, where the next packet would stand: its packets
    // are read on, whatever next_data_header says.
    if (got >= kDataHeaderChunkSize && pos <= reach() && std::memcmp(bytes, kIdData, kChunkIdSize) == 0) {
        RmDataHeader next;
        reverseBytes(bytes + kChunkIdSize, &next, sizeof next);
        enter(boundDataChunk(pos, next, m_fileSize, m_indexOffset));
        return Place::NextChunk;
    }
    if (pos + kId3v1Size == m_fileSize && got >= 3 && std::memcmp(bytes, kId3v1Id, 3) == 0) {
        m_endKind = PacketStart::EndOfData;
        return Place::End;
    }

    // The bytes there before `limit`; fewer than asked for: the file ends
    // there, whatever the bounds said.
    const auto classifyWithin = [&](uint64_t limit) {
        const uint64_t room = limit - std::min(pos, limit);
        const auto avail = static_cast<std::size_t>(std::min<uint64_t>({got, room, kPacketHeaderSize}));
        return classifyPacket(bytes, avail, got < want && got < room ? got : room, header);
    };
    PacketStart start = classifyWithin(m_end);
    if ((start == PacketStart::EndOfData || start == PacketStart::Cut) && m_runOnEnd > m_end && pos <= m_end
        && packetRunsOn(bytes, std::min<std::size_t>(got, kPacketHeaderSize), m_runOnEnd - pos)) {
        if (m_ranOnAt == 0)
            m_ranOnAt = m_end;
        m_end = m_runOnEnd;
        m_chunks.back().chunk.end = m_end;
        start = classifyWithin(m_end);
    }
    if (start != PacketStart::Packet) {
        m_endKind = start;
        return Place::End;
    }
    return Place::Packet;
}

DataWalk DataWalk::from(uint64_t pos) const
{
    DataWalk walk;
    walk.m_fileSize = m_fileSize;
    walk.m_indexOffset = m_indexOffset;
    const DataChunkRead* holder = &m_chunks.front();
    for (const DataChunkRead& read : m_chunks)
        if (read.chunk.start <= pos)
            holder = &read;
    walk.m_chunks.reserve(2);
    walk.enter(holder->chunk);
    // Past the chunks kept a record of: the bounds this walk has now.
    if (walk.reach() < pos) {
        walk.m_end = m_end;
        walk.m_runOnEnd = m_runOnEnd;
    }
    return walk;
}

}  // namespace rm
