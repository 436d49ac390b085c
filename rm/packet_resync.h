// Finding, after damage in a data chunk, the next place where packets hold
// together again.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "rm/records.h"

namespace rm {

class InFile;

// What a packet header must look like to be taken for one.
struct PacketExpectations {
    // No packet reaches past this: the end of the data, or of the file.
    uint64_t end = 0;
    // The stream numbers the header section declares, and the timestamp of
    // the last packet read of each (none before the first).
    struct Stream {
        uint16_t number = 0;
        std::optional<uint32_t> lastTimestamp;
    };
    std::vector<Stream> streams;
    // How far a timestamp may lie from the others: this far behind the last
    // one of its stream, and this far ahead of the latest of any stream plus
    // the time the bytes passed over could hold at `bytesPerSecond` (0: the
    // file gives no rate, and the least any stream has is taken).
    uint32_t behindMs = 5000;
    uint32_t aheadMs = 60000;
    uint32_t bytesPerSecond = 0;
    // Once this is set, a search gives up, finding nothing: damage may
    // stretch over most of a large file, and the user may stop waiting.
    const std::atomic<uint8_t>* stop = nullptr;
};

// Whether the four bytes at `bytes` are the id of a chunk that may follow a
// data chunk ("INDX", "RMMD", "RJMD", "DATA").
bool chunkFollowsData(const uint8_t* bytes);

// The header of a packet at `bytes` (at least kPacketHeaderSize of them),
// standing `passed` bytes after the place the search began at `at`: true
// when it is one by its fields (version 0 or 1, a length that holds a
// header and fits before `end`, a declared stream, a timestamp near that
// stream's last one and the latest of all).
bool plausiblePacket(const uint8_t* bytes, uint64_t at, uint64_t passed, const PacketExpectations& expect,
                     RmPacketHeader& header);

// The first place at or after `from`, before `expect.end`, where a
// plausible packet stands that chains: the place right after it is the end
// of the data (`expect.end`, or the id of a chunk that follows data), or
// holds a plausible packet of its own. None when the data holds no such
// place. An index or metadata chunk met on the way is passed over whole:
// nothing inside it is taken for a packet. Reads `in` with readAt, a block at a time; its read position is
// left alone. A read that fails ends the search: `in.failed()` tells.
std::optional<uint64_t> findNextPacket(InFile& in, uint64_t from, const PacketExpectations& expect);

// The end of the run of zero bytes at `from`: the first byte after it that
// is not zero, or `end`. A read that fails ends it: `in.failed()` tells.
uint64_t endOfZeros(InFile& in, uint64_t from, uint64_t end);

// The packets that follow one another from `at`, each plausible and
// chaining, at most `limit` of them: where the run ends (the first place
// that is no such packet) and, for each stream, the least timestamp in it
// and that of its first packet.
struct PacketRun {
    uint64_t end = 0;
    uint32_t packets = 0;
    std::vector<std::pair<uint16_t, uint32_t>> least, first;
};
PacketRun followPackets(InFile& in, uint64_t at, const PacketExpectations& expect, uint32_t limit);

// Whether a plausible packet that chains stands right at `at`.
bool packetChainsAt(InFile& in, uint64_t at, const PacketExpectations& expect);

// The first "DATA" id at or after `from` whose 18-byte header is followed by
// a packet that chains (packetChainsAt).
std::optional<uint64_t> findDataChunk(InFile& in, uint64_t from, const PacketExpectations& expect);

}  // namespace rm
