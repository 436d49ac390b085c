#include "rm/packet_start.h"

#include <algorithm>
#include <cstring>

#include "rm/chunk_ids.h"
#include "rm/input_file.h"
#include "rm/reversed.h"

namespace rm {

namespace {

// The chunks that may follow a data chunk. A packet never starts with one
// of these ids: its first two bytes are its object_version, 0 or 1.
constexpr const char* kChunksAfterData[] = {kIdIndex, "RMMD", "RJMD", kIdData};

bool allZero(const uint8_t* bytes, std::size_t n)
{
    return std::all_of(bytes, bytes + n, [](uint8_t b) { return b == 0; });
}

}  // namespace

PacketStart classifyPacket(const uint8_t* bytes, std::size_t avail, uint64_t room, RmPacketHeader& header)
{
    header = {};
    if (room == 0)
        return PacketStart::EndOfData;
    if (avail >= kChunkIdSize)
        for (const char* id : kChunksAfterData)
            if (std::memcmp(bytes, id, kChunkIdSize) == 0)
                return PacketStart::EndOfData;
    if (avail < kPacketHeaderSize)
        return allZero(bytes, avail) ? PacketStart::EndOfData : PacketStart::Cut;

    reverseBytes(bytes, &header, kPacketHeaderSize);
    if (allZero(bytes, kPacketHeaderSize))
        return PacketStart::EndOfData;
    if (header.length < kPacketHeaderSize)
        return PacketStart::Damaged;
    if (header.length > room)
        return PacketStart::Cut;
    return PacketStart::Packet;
}

bool packetRunsOn(const uint8_t* bytes, std::size_t avail, uint64_t room)
{
    RmPacketHeader header;
    // A packet header's first field, its object_version, is 0 or 1.
    return classifyPacket(bytes, avail, room, header) == PacketStart::Packet && header.object_version <= 1;
}

std::size_t packetHeaderSize(const uint8_t* packet)
{
    const bool version1 = packet[0] == 0 && packet[1] == 1;
    return version1 ? kPacketHeaderSize + 1 : kPacketHeaderSize;
}

bool isKeyframe(const uint8_t* packet, std::size_t n)
{
    constexpr uint8_t kKeyframe = 0x02;
    if (n < kPacketHeaderSize)
        return false;
    // The flags close the header: flags in version 0, asm_flags in version 1.
    const std::size_t flagsAt = packetHeaderSize(packet) - 1;
    return flagsAt < n && (packet[flagsAt] & kKeyframe) != 0;
}

std::size_t headerBytesAfterRecord(const RmPacketHeader& header)
{
    return header.object_version == 1 ? 1 : 0;
}

bool isKeyframe(const RmPacketHeader& header, const uint8_t* rest, std::size_t n)
{
    constexpr uint8_t kKeyframe = 0x02;
    if (header.object_version == 1)
        return n > 0 && (rest[0] & kKeyframe) != 0;
    return (header.flags & kKeyframe) != 0;
}

bool keyframeAt(InFile& in, const RmPacketHeader& header, uint64_t offset)
{
    constexpr uint8_t kKeyframeMark = 0x02;
    if (header.object_version == 0)
        return (header.flags & kKeyframeMark) != 0;
    uint8_t bytes[kPacketHeaderSize + 1];
    return in.readAt(bytes, sizeof bytes, offset) == sizeof bytes && isKeyframe(bytes, sizeof bytes);
}

}  // namespace rm
