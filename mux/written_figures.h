// The figures of what a merge wrote, for the output's PROP and MDPR chunks:
// counted packet by packet as they are written, read once at the end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

class WrittenFigures {
public:
    // A packet of `length` bytes, `payload` of them after its header,
    // stamped `timestamp` ms. No allocation, a few additions: it is on the
    // path of every packet.
    void add(uint32_t timestamp, uint32_t length, uint32_t payload)
    {
        ++m_packets;
        m_bytes += length;
        m_payloadBytes += payload;
        m_maxPayload = std::max(m_maxPayload, payload);
        // The most bytes in one whole second of the timeline, [n s, n+1 s):
        // packets come out by timestamp, so each second is closed when the
        // next one starts. A packet stamped earlier than the second being
        // counted (timestamps that go back within a stream) is counted in
        // it, which can only raise the figure.
        const uint32_t second = timestamp / 1000;
        if (m_packets == 1 || second > m_second) {
            m_maxSecondBytes = std::max(m_maxSecondBytes, m_secondBytes);
            m_second = second;
            m_secondBytes = 0;
        }
        m_secondBytes += length;
    }

    uint32_t packets() const { return m_packets; }
    // Packet sizes count the bytes after the packet header, as the
    // producers of RealMedia count them.
    uint32_t maxPacketSize() const { return m_maxPayload; }
    uint32_t avgPacketSize() const
    {
        return m_packets == 0 ? 0 : clamp(m_payloadBytes / m_packets);
    }
    // Bit rates count whole packets, headers included: the bytes a player
    // reads. The average is over `durationMs`; with no duration it is the
    // most in one second.
    uint32_t avgBitRate(uint32_t durationMs) const
    {
        if (durationMs == 0)
            return maxSecondBits();
        return clamp(m_bytes * 8000 / durationMs);
    }
    // The most bits in one whole second (see add), and never less than the
    // average: a timeline shorter than a second, or one whose packets
    // crowd into a second's end, still reads true.
    uint32_t maxBitRate(uint32_t durationMs) const { return std::max(maxSecondBits(), avgBitRate(durationMs)); }

private:
    static uint32_t clamp(uint64_t value)
    {
        return static_cast<uint32_t>(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
    }
    uint32_t maxSecondBits() const { return clamp(std::max(m_maxSecondBytes, m_secondBytes) * 8); }

    uint32_t m_packets = 0;
    uint64_t m_bytes = 0;
    uint64_t m_payloadBytes = 0;
    uint32_t m_maxPayload = 0;
    uint32_t m_second = 0;
    uint64_t m_secondBytes = 0;
    uint64_t m_maxSecondBytes = 0;
};
