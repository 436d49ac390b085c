// Telling, at the place of a packet in a data chunk, whether a packet starts
// there, the data has ended, or the data is damaged.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rm/records.h"

namespace rm {

class InFile;

enum class PacketStart {
    Packet,     // a whole packet: its header is filled in
    EndOfData,  // nothing left, the next chunk's id, or an end marker of zeros
    Cut,        // the data ends inside this packet
    Damaged     // a packet header whose length cannot be right
};

// `bytes` holds the first `avail` bytes at the place, avail being the
// smaller of the packet header's 12 bytes and `room`, the bytes left before
// the end of the data. Writers that could not seek back leave no size to
// end the data by: their packets run on to the next chunk ("INDX", "RMMD",
// "RJMD", "DATA") or to an end marker of zero bytes.
PacketStart classifyPacket(const uint8_t* bytes, std::size_t avail, uint64_t room, RmPacketHeader& header);

// Where the data chunk's size field ends the data, or would cut the packet
// there: true when a whole packet stands there all the same, within `room`
// more bytes (a size too small must not lose the packets after it). `bytes`
// and `avail` as for classifyPacket.
bool packetRunsOn(const uint8_t* bytes, std::size_t avail, uint64_t room);

// Whether a packet is marked as a keyframe, from its first `n` bytes (its
// header, or more): bit 0x02 of its flags in an object_version 0 header,
// of its asm_flags in a version 1 header (13 bytes: asm_rule, 2 bytes, and
// asm_flags, 1, where version 0 has packet_group and flags). Every reader
// that counts or indexes keyframes asks this.
bool isKeyframe(const uint8_t* packet, std::size_t n);

// The length of the header of the packet that starts at `packet` (at least
// 2 bytes): 13 for object_version 1, 12 otherwise.
std::size_t packetHeaderSize(const uint8_t* packet);

// The same two for a packet whose first 12 bytes were read as a record and
// whose `n` bytes after them are at `rest`: whether it is a keyframe, and
// how many of those bytes still belong to its header.
bool isKeyframe(const RmPacketHeader& header, const uint8_t* rest, std::size_t n);
// And for the packet at `offset` of `in` whose header was read as a record:
// version 0 keeps the mark in the flags read, version 1 in its next byte.
bool keyframeAt(InFile& in, const RmPacketHeader& header, uint64_t offset);
std::size_t headerBytesAfterRecord(const RmPacketHeader& header);

}  // namespace rm
