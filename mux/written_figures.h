// What a merge wrote, for the figures of the output's PROP chunk that follow
// its packets: counted packet by packet as they are written, read once at
// the end.
#pragma once

#include <cstdint>

class WrittenFigures {
public:
    // A packet with `payload` bytes after its header. No allocation, two
    // additions: it is on the path of every packet.
    void add(uint32_t payload)
    {
        ++m_packets;
        m_payloadBytes += payload;
    }

    uint32_t packets() const { return m_packets; }
    // Packet sizes count the bytes after the packet header, as the
    // producers of RealMedia count them.
    uint32_t avgPacketSize() const { return m_packets == 0 ? 0 : static_cast<uint32_t>(m_payloadBytes / m_packets); }

private:
    uint32_t m_packets = 0;
    uint64_t m_payloadBytes = 0;
};
