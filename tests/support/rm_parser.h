// A strict RealMedia reader for checking what the engine writes. It decodes
// fields one by one from big-endian bytes and shares no code with the engine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_rm {

struct ParsedStream {
    uint32_t size = 0;
    uint16_t version = 0, number = 0;
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0, startTime = 0, preroll = 0,
             duration = 0;
    std::string name, mime, typeSpecific;
};

struct ParsedPacket {
    uint64_t offset = 0;
    uint16_t version = 0, length = 0, number = 0;
    uint32_t timestamp = 0;
    uint8_t group = 0, flags = 0;
    std::string payload;  // everything after the first 12 bytes
};

struct ParsedIndexRecord {
    uint16_t version = 0;
    uint32_t timestamp = 0, offset = 0, packetCount = 0;
};

struct ParsedIndex {
    uint64_t offset = 0;
    uint32_t size = 0;
    uint16_t version = 0;
    uint32_t numIndices = 0;
    uint16_t number = 0;
    uint32_t next = 0;
    std::vector<ParsedIndexRecord> records;
};

struct ParsedFile {
    uint32_t rmfSize = 0, fileVersion = 0, numHeaders = 0;
    uint16_t rmfVersion = 0;

    uint32_t propSize = 0;
    uint16_t propVersion = 0;
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0, numPackets = 0, duration = 0,
             preroll = 0, indexOffset = 0, dataOffset = 0;
    uint16_t numStreams = 0, flags = 0;

    bool hasContent = false;
    uint32_t contSize = 0;
    std::string title, author, copyright, comment;

    std::vector<ParsedStream> streams;

    uint32_t dataSize = 0, dataNumPackets = 0, nextDataHeader = 0;
    uint16_t dataVersion = 0;
    std::vector<ParsedPacket> packets;

    std::vector<ParsedIndex> indexes;
    // The ids of the header section, in file order, and where each chunk starts.
    std::vector<std::string> headerIds;
    std::vector<uint64_t> headerOffsets;
};

// Parses a whole file and checks that it is well-formed: chunk sizes match
// their contents, the data chunk holds exactly its packets, the index chain
// starts at index_offset, ends with 0 and has each chunk where the previous
// one says. Returns nothing and fills `error` otherwise.
std::optional<ParsedFile> parseRm(const std::string& bytes, std::string* error = nullptr);

// Reads a file written by another muxer, forgiving what they are known to
// do: a data chunk size past the end of the file (ffmpeg), none at all (a
// writer that could not seek back), header chunks of other kinds, and a
// file cut short.
std::optional<ParsedFile> parseSource(const std::string& bytes, std::string* error = nullptr);

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
// A checksum of the bytes (64-bit FNV-1a), to compare large files in tests
// without printing them when they differ.
uint64_t checksum(const std::string& bytes);

// The packets found back to back from `start` while each one is whole: at
// least 12 bytes long and ending by `end` (and by the end of `bytes`).
// `stop`, when given, receives where the first packet that is not whole starts.
std::vector<ParsedPacket> readPackets(const std::string& bytes, uint64_t start, uint64_t end,
                                      uint64_t* stop = nullptr);

// The packets of one stream, in file order.
std::vector<ParsedPacket> packetsOf(const std::vector<ParsedPacket>& packets, uint16_t number);
std::vector<ParsedPacket> packetsOf(const ParsedFile& file, uint16_t number);

// True when `copy` holds the first copy.size() packets of `source`, each the
// same byte for byte but for its stream number.
bool isPrefixCopy(const std::vector<ParsedPacket>& copy, const std::vector<ParsedPacket>& source);

}  // namespace testing_rm
