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
    const uint64_t room = m_limit - std::min(m_pos, m_limit);
    uint8_t bytes[kPacketHeaderSize];
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(room, sizeof bytes));
    if (want > 0 && !m_in.seek(m_pos))
        return stop(PacketStart::Cut);
    const std::size_t got = want > 0 ? m_in.read(bytes, want) : 0;
    if (m_in.failed())
        return stop(PacketStart::Cut);
    // Fewer bytes than asked for: the file ends there, whatever the bounds said.
    const PacketStart start = classifyPacket(bytes, got, got < want ? got : room, header);
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
