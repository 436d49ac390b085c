// Reading a data chunk's packets in order, by the rules of packet_start.
#include "rm/packet_reader.h"

#include <algorithm>

#include "rm/input_file.h"

namespace rm {

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
    const uint64_t reach = std::max(m_limit, m_runOnEnd);
    uint8_t bytes[kPacketHeaderSize];
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(reach - std::min(m_pos, reach), sizeof bytes));
    if (want > 0 && !m_in.seek(m_pos))
        return stop(PacketStart::Cut);
    const std::size_t got = want > 0 ? m_in.read(bytes, want) : 0;
    if (m_in.failed())
        return stop(PacketStart::Cut);
    // The bytes there are before `limit`; fewer than asked for: the file
    // ends there, whatever the bounds said.
    const auto classifyWithin = [&](uint64_t limit) {
        const uint64_t room = limit - std::min(m_pos, limit);
        const std::size_t avail = static_cast<std::size_t>(std::min<uint64_t>(got, room));
        return classifyPacket(bytes, avail, got < want && got < room ? got : room, header);
    };
    PacketStart start = classifyWithin(m_limit);
    if ((start == PacketStart::EndOfData || start == PacketStart::Cut) && m_runOnEnd > m_limit
        && packetRunsOn(bytes, got, m_runOnEnd - m_pos)) {
        m_ranOnAt = m_limit;
        m_limit = m_runOnEnd;
        start = classifyWithin(m_limit);
    }
    if (start != PacketStart::Packet)
        return stop(start);
    m_offset = m_pos;
    m_payloadSize = header.length - kPacketHeaderSize;
    m_pos += header.length;
    return true;
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
