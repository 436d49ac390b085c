// Reading a file's packets in order, as its data walk leads.
#include "rm/packet_reader.h"

#include <algorithm>

#include "rm/input_file.h"

namespace rm {

PacketReader::PacketReader(InFile& in, const DataWalk& walk)
    : m_in(in), m_walk(walk), m_pos(walk.chunks().empty() ? 0 : walk.chunks().front().chunk.start)
{
}

PacketReader::PacketReader(InFile& in, const DataWalk& walk, uint64_t start) : m_in(in), m_walk(walk), m_pos(start)
{
}

bool PacketReader::failed() const
{
    return m_in.failed();
}

bool PacketReader::stop(PacketStart end)
{
    m_ended = true;
    m_end = end;
    return false;
}

bool PacketReader::next(RmPacketHeader& header)
{
    if (m_ended)
        return false;
    for (;;) {
        uint8_t bytes[DataWalk::kLookSize];
        const std::size_t want = m_walk.want(m_pos);
        if (want > 0 && !m_in.seek(m_pos))
            return stop(PacketStart::Cut);
        const std::size_t got = want > 0 ? m_in.read(bytes, want) : 0;
        if (m_in.failed())
            return stop(PacketStart::Cut);
        switch (m_walk.at(m_pos, bytes, got, header)) {
        case DataWalk::Place::NextChunk:
            m_pos += DataWalk::kLookSize;
            continue;
        case DataWalk::Place::End:
            return stop(m_walk.end());
        case DataWalk::Place::Packet:
            break;
        }
        m_walk.countPacket();
        m_offset = m_pos;
        m_payloadSize = header.length - kPacketHeaderSize;
        m_keyframe = isKeyframe(bytes, std::min<std::size_t>(got, header.length));
        m_pos += header.length;
        return true;
    }
}

bool PacketReader::readPayload(std::vector<uint8_t>& payload)
{
    if (m_ended)
        return false;
    payload.resize(m_payloadSize);
    // The packet lay whole inside the file when it was opened: one that is
    // not whole now was cut since.
    if (!m_in.seek(m_offset + kPacketHeaderSize) || m_in.read(payload.data(), m_payloadSize) != m_payloadSize) {
        m_pos = m_offset;
        return stop(PacketStart::Cut);
    }
    return true;
}

}  // namespace rm
