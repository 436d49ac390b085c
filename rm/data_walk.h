// Where a source's packets lie: in its data chunk, and in each data chunk
// that follows it, one after another.
//
// A file may hold its packets in several data chunks. Whether a chunk's
// next_data_header points at the next one or is 0, a "DATA" id that stands
// where the next packet would starts the next chunk, and its packets are
// the file's as much as the first chunk's: every reader of packets (the
// merge's cursors, check, verify) walks on through it by this one walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rm/data_chunk.h"
#include "rm/packet_start.h"
#include "rm/records.h"

namespace rm {

// A data chunk the walk has gone into, and the packets found in it.
struct DataChunkRead {
    DataChunk chunk;
    uint32_t packets = 0;
    // The record stands for this chunk and others after it, whose packets
    // it counts too (a file of more chunks than the walk keeps records of).
    bool several = false;
};

class DataWalk {
public:
    // At most this many bytes at a place tell what stands there: a packet
    // header, or the header of the next data chunk.
    static constexpr std::size_t kLookSize = kDataHeaderChunkSize;
    // Records kept of the chunks gone into: a file made of nothing but
    // chunk headers must not make memory grow with its size.
    static constexpr std::size_t kChunksKept = 1024;

    DataWalk() = default;
    // From the first packet of `first`, in a file of `fileSize` bytes whose
    // PROP gives `indexOffset`.
    DataWalk(const DataChunk& first, uint64_t fileSize, uint32_t indexOffset);

    // The bytes a reader reads at `pos` before asking what stands there
    // (fewer at the end of the file).
    std::size_t want(uint64_t pos) const;
    // No packet of the chunk the walk is in reaches past this: reading
    // ahead further gains nothing.
    uint64_t reach() const { return m_runOnEnd > m_end ? m_runOnEnd : m_end; }

    enum class Place {
        Packet,     // a whole packet: the header is filled in
        NextChunk,  // the header of the next data chunk: go on kLookSize bytes later
        End         // the data has ended: see end()
    };
    // What stands at `pos`, a place after the last packet (or chunk header)
    // found, where `bytes` holds the `got` bytes read of want(pos); fewer
    // say the file ends there.
    Place at(uint64_t pos, const uint8_t* bytes, std::size_t got, RmPacketHeader& header);
    // Counts the packet at() found in the chunk the walk is in.
    void countPacket() { ++m_chunks.back().packets; }

    // How the data ended, once at() gave End: EndOfData, Cut or Damaged.
    PacketStart end() const { return m_endKind; }
    // Where the packets ran on past the end the first chunk's size gave
    // (later chunks too); 0 when they did not.
    uint64_t ranOnAt() const { return m_ranOnAt; }
    // Every chunk gone into, in file order.
    const std::vector<DataChunkRead>& chunks() const { return m_chunks; }

    // A walk that starts again at `pos`, a place this one has passed,
    // within the bounds of the chunk that holds it; for a second reader of
    // the same packets.
    DataWalk from(uint64_t pos) const;

private:
    void enter(const DataChunk& chunk);

    uint64_t m_fileSize = 0;
    uint32_t m_indexOffset = 0;
    uint64_t m_end = 0;
    uint64_t m_runOnEnd = 0;
    uint64_t m_ranOnAt = 0;
    PacketStart m_endKind = PacketStart::EndOfData;
    std::vector<DataChunkRead> m_chunks;
};

}  // namespace rm
