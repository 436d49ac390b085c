// Reading the packets of a data chunk one after another, each whole or not
// at all, as every reader of a source reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "rm/packet_start.h"
#include "rm/records.h"

namespace rm {

class InFile;

class PacketReader {
public:
    // Reads from `start`, where the first packet stands, and takes no
    // packet that reaches past `end`, or past `runOnEnd` once packets are
    // found to go on past `end` (a DataChunk's start, end and runOnEnd).
    // The reader seeks before every read, so others may use `in` in between.
    PacketReader(InFile& in, uint64_t start, uint64_t end, uint64_t runOnEnd = 0)
        : m_in(in), m_pos(start), m_limit(end), m_runOnEnd(runOnEnd)
    {
    }

    // Reads the header of the next whole packet and moves past the packet.
    // False once the data has ended; end() and endOffset() then say how
    // and where, and failed() whether a read failed (end() then means
    // nothing).
    bool next(RmPacketHeader& header);
    // Reads the payload of the packet next() found. False when it can no
    // longer be read whole (the file was cut since it was opened, or a
    // read failed): the data then ends at that packet.
    bool readPayload(std::vector<uint8_t>& payload);

    // Where the packet next() found starts.
    uint64_t offset() const { return m_offset; }
    // EndOfData, Cut or Damaged once the data has ended.
    PacketStart end() const { return m_end; }
    // Where the data ended: the place after the last whole packet.
    uint64_t endOffset() const { return m_pos; }
    bool failed() const;
    // Where the packets ran on past the end the data chunk's size gave; 0
    // when they did not.
    uint64_t ranOnAt() const { return m_ranOnAt; }

private:
    bool stop(PacketStart end);

    InFile& m_in;
    uint64_t m_pos;
    uint64_t m_limit;
    uint64_t m_runOnEnd;
    uint64_t m_ranOnAt = 0;
    uint64_t m_offset = 0;
    uint32_t m_payloadSize = 0;
    bool m_ended = false;
    PacketStart m_end = PacketStart::Packet;
};

}  // namespace rm
