// Reading the packets of a file's data chunks one after another, each whole
// or not at all, as every reader of a source reads them.
#pragma once

#include <cstdint>
#include <vector>

#include "rm/data_walk.h"
#include "rm/packet_start.h"
#include "rm/records.h"

namespace rm {

class InFile;

class PacketReader {
public:
    // Reads the packets `walk` leads to, from the first packet of its
    // first chunk. The reader seeks before every read, so others may use
    // `in` in between.
    PacketReader(InFile& in, const DataWalk& walk);
    // The same from `start`, where a packet of the walk's first chunk
    // stands (a place found before, by an index record or another reader).
    PacketReader(InFile& in, const DataWalk& walk, uint64_t start);

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
    // Whether the packet next() found is marked as a keyframe.
    bool keyframe() const { return m_keyframe; }
    // EndOfData, Cut or Damaged once the data has ended.
    PacketStart end() const { return m_end; }
    // Where the data ended: the place after the last whole packet.
    uint64_t endOffset() const { return m_pos; }
    bool failed() const;
    // Where the packets ran on past the end a data chunk's size gave; 0
    // when they did not.
    uint64_t ranOnAt() const { return m_walk.ranOnAt(); }
    // The data chunks read, with the packets found in each.
    const std::vector<DataChunkRead>& chunks() const { return m_walk.chunks(); }

private:
    bool stop(PacketStart end);

    InFile& m_in;
    DataWalk m_walk;
    uint64_t m_pos;
    uint64_t m_offset = 0;
    uint32_t m_payloadSize = 0;
    bool m_keyframe = false;
    bool m_ended = false;
    PacketStart m_end = PacketStart::Packet;
};

}  // namespace rm
