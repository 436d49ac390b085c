// The resynchronising search: plausible packet headers, and the first one
// that the packet after it confirms.
#include "rm/packet_resync.h"

#include <algorithm>
#include <cstring>

#include "rm/chunk_ids.h"
#include "rm/input_file.h"
#include "rm/reversed.h"

namespace rm {

namespace {

// Each read of the search takes this much; the blocks overlap by a header.
constexpr std::size_t kSearchBlock = 64 * 1024;

// Where a file gives no bit rate: the least of any RealMedia stream (8 kb/s),
// so that a timestamp however far ahead is not taken right after the last
// packet, and becomes what every stream's next packets are judged by.
constexpr uint64_t kLeastBytesPerSecond = 1000;

// The chunks that may follow a data chunk: a packet that ends right before
// one of them ends the data.
constexpr const char* kChunksAfterData[] = {kIdIndex, "RMMD", "RJMD", kIdData};

bool chunkIdAt(const uint8_t* bytes, std::size_t avail)
{
    return avail >= kChunkIdSize && chunkFollowsData(bytes);
}

// The size of the chunk at `bytes` (at least eight of them, standing at
// `at`) when it is one that holds no packets (an index or metadata) and
// fits before `end`; else 0. The search passes over it: what lies inside
// is never taken for a packet. `avail` bytes may be read at `bytes`.
uint64_t chunkWithoutPackets(const uint8_t* bytes, std::size_t avail, uint64_t at, uint64_t end)
{
    if (bytes[0] != 'I' && bytes[0] != 'R')
        return 0;
    const bool index = std::memcmp(bytes, kIdIndex, kChunkIdSize) == 0;
    if (!index && std::memcmp(bytes, "RMMD", kChunkIdSize) != 0 && std::memcmp(bytes, "RJMD", kChunkIdSize) != 0)
        return 0;
    uint64_t size = static_cast<uint32_t>(bytes[4]) << 24 | static_cast<uint32_t>(bytes[5]) << 16
                    | static_cast<uint32_t>(bytes[6]) << 8 | bytes[7];
    // Some writers give an index the size of its header alone, its records
    // following it all the same.
    if (index && avail >= kIndexHeaderChunkSize) {
        const uint32_t records = static_cast<uint32_t>(bytes[10]) << 24 | static_cast<uint32_t>(bytes[11]) << 16
                                 | static_cast<uint32_t>(bytes[12]) << 8 | bytes[13];
        const uint64_t whole = kIndexHeaderChunkSize + uint64_t{kIndexEntrySize} * records;
        if (size == kIndexHeaderChunkSize && whole <= end - at)
            size = whole;
    }
    return size >= 8 && size <= end - at ? size : 0;
}

bool stopped(const PacketExpectations& expect)
{
    return expect.stop && *expect.stop;
}

std::optional<uint32_t> latestTimestamp(const PacketExpectations& expect)
{
    std::optional<uint32_t> latest;
    for (const PacketExpectations::Stream& s : expect.streams)
        if (s.lastTimestamp && (!latest || *s.lastTimestamp > *latest))
            latest = s.lastTimestamp;
    return latest;
}

// Whether the place right after the packet `header` at `at` ends the data
// or holds a plausible packet of its own.
bool chains(InFile& in, uint64_t at, const RmPacketHeader& header, const PacketExpectations& expect)
{
    const uint64_t next = at + header.length;
    if (next == expect.end)
        return true;
    uint8_t bytes[kPacketHeaderSize];
    const std::size_t got = in.readAt(bytes, std::min<uint64_t>(sizeof bytes, expect.end - next), next);
    if (chunkIdAt(bytes, got))
        return true;
    if (got < kPacketHeaderSize)
        return false;
    PacketExpectations after = expect;
    for (PacketExpectations::Stream& s : after.streams)
        if (s.number == header.stream_number)
            s.lastTimestamp = static_cast<uint32_t>(header.timestamp);
    RmPacketHeader second;
    return plausiblePacket(bytes, next, 0, after, second);
}

}  // namespace

bool chunkFollowsData(const uint8_t* bytes)
{
    for (const char* id : kChunksAfterData)
        if (std::memcmp(bytes, id, kChunkIdSize) == 0)
            return true;
    return false;
}

bool plausiblePacket(const uint8_t* bytes, uint64_t at, uint64_t passed, const PacketExpectations& expect,
                     RmPacketHeader& header)
{
    // Cheap tests on the raw bytes first, version and length: the search
    // makes one at every byte, and holes of zeros are common.
    if (bytes[0] != 0 || bytes[1] > 1 || (bytes[2] == 0 && bytes[3] < kPacketHeaderSize))
        return false;
    reverseBytes(bytes, &header, kPacketHeaderSize);
    if (header.length < kPacketHeaderSize || header.length > expect.end - std::min(at, expect.end))
        return false;
    const PacketExpectations::Stream* stream = nullptr;
    for (const PacketExpectations::Stream& s : expect.streams)
        if (s.number == header.stream_number)
            stream = &s;
    if (!stream)
        return false;
    // Behind its own stream's last packet by a little at most (frames sent
    // ahead of their time), and ahead of the latest of all by the time the
    // bytes passed over could hold.
    const uint64_t timestamp = header.timestamp;
    if (stream->lastTimestamp && timestamp + expect.behindMs < *stream->lastTimestamp)
        return false;
    const std::optional<uint32_t> latest = latestTimestamp(expect);
    if (!latest)
        return true;
    const uint64_t rate = expect.bytesPerSecond != 0 ? expect.bytesPerSecond : kLeastBytesPerSecond;
    return timestamp <= *latest + expect.aheadMs + passed * 1000 / rate;
}

std::optional<uint64_t> findNextPacket(InFile& in, uint64_t from, const PacketExpectations& expect)
{
    std::vector<uint8_t> block(kSearchBlock);
    for (uint64_t base = from; base + kPacketHeaderSize <= expect.end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(kSearchBlock, expect.end - base));
        const std::size_t got = in.readAt(block.data(), want, base);
        if (in.failed() || got < kPacketHeaderSize || stopped(expect))
            return std::nullopt;
        const std::size_t places = got - kPacketHeaderSize + 1;
        uint64_t skipTo = 0;
        for (std::size_t k = 0; k < places; ++k) {
            if (const uint64_t size = chunkWithoutPackets(block.data() + k, got - k, base + k, expect.end)) {
                skipTo = base + k + size;
                break;
            }
            RmPacketHeader header;
            if (plausiblePacket(block.data() + k, base + k, base + k - from, expect, header)
                && chains(in, base + k, header, expect))
                return base + k;
            if (in.failed())
                return std::nullopt;
        }
        if (skipTo != 0) {
            base = skipTo;
            continue;
        }
        if (got < want)
            return std::nullopt;  // the file ends here
        base += places;
    }
    return std::nullopt;
}

uint64_t endOfZeros(InFile& in, uint64_t from, uint64_t end)
{
    std::vector<uint8_t> block(kSearchBlock);
    for (uint64_t base = from; base < end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(kSearchBlock, end - base));
        const std::size_t got = in.readAt(block.data(), want, base);
        const auto nonZero = std::find_if(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got),
                                          [](uint8_t b) { return b != 0; });
        base += static_cast<uint64_t>(nonZero - block.begin());
        if (in.failed() || got < want || nonZero != block.begin() + static_cast<std::ptrdiff_t>(got))
            return base;
    }
    return end;
}

PacketRun followPackets(InFile& in, uint64_t at, const PacketExpectations& expect, uint32_t limit)
{
    PacketRun run;
    PacketExpectations seen = expect;
    uint8_t bytes[kPacketHeaderSize];
    RmPacketHeader header;
    for (run.end = at; run.packets < limit && run.end + kPacketHeaderSize <= expect.end; ++run.packets) {
        if (in.readAt(bytes, sizeof bytes, run.end) != sizeof bytes || !plausiblePacket(bytes, run.end, 0, seen, header)
            || !chains(in, run.end, header, seen))
            break;
        const uint16_t number = header.stream_number;
        const uint32_t timestamp = header.timestamp;
        auto least = std::find_if(run.least.begin(), run.least.end(), [&](const auto& l) { return l.first == number; });
        if (least == run.least.end()) {
            run.least.push_back({number, timestamp});
            run.first.push_back({number, timestamp});
        } else
            least->second = std::min(least->second, timestamp);
        for (PacketExpectations::Stream& s : seen.streams)
            if (s.number == number)
                s.lastTimestamp = timestamp;
        run.end += header.length;
    }
    return run;
}

bool packetChainsAt(InFile& in, uint64_t at, const PacketExpectations& expect)
{
    uint8_t bytes[kPacketHeaderSize];
    RmPacketHeader header;
    return at + kPacketHeaderSize <= expect.end && in.readAt(bytes, sizeof bytes, at) == sizeof bytes
           && plausiblePacket(bytes, at, 0, expect, header) && chains(in, at, header, expect);
}

std::optional<uint64_t> findDataChunk(InFile& in, uint64_t from, const PacketExpectations& expect)
{
    std::vector<uint8_t> block(kSearchBlock);
    for (uint64_t base = from; base + kChunkIdSize <= expect.end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(kSearchBlock, expect.end - base));
        const std::size_t got = in.readAt(block.data(), want, base);
        if (in.failed() || got < kChunkIdSize || stopped(expect))
            return std::nullopt;
        const std::size_t places = got - kChunkIdSize + 1;
        for (std::size_t k = 0; k < places; ++k) {
            if (std::memcmp(block.data() + k, kIdData, kChunkIdSize) != 0)
                continue;
            if (packetChainsAt(in, base + k + kDataHeaderChunkSize, expect))
                return base + k;
            if (in.failed())
                return std::nullopt;
        }
        if (got < want)
            return std::nullopt;
        base += places;
    }
    return std::nullopt;
}

}  // namespace rm
