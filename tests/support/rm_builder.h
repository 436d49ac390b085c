// Builds RealMedia files byte by byte for tests, independently of the
// engine's own writers, so that a fault in one cannot hide in the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_rm {

std::string be16(uint16_t v);
std::string be32(uint32_t v);

struct StreamSpec {
    uint16_t number = 0;
    uint32_t duration = 1000;
    std::string name = "Stream";
    std::string mime = "audio/x-pn-realaudio";
    std::string typeSpecific = "codec";
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0, startTime = 0, preroll = 0;
};

struct PacketSpec {
    uint16_t number = 0;
    uint32_t timestamp = 0;
    std::string payload = "payload";
    uint8_t flags = 0;
    uint8_t group = 0;
    uint16_t version = 0;
};

struct ContentSpec {
    std::string title, author, copyright, comment;
};

struct PropSpec {
    uint32_t maxBitRate = 0, avgBitRate = 0, maxPacketSize = 0, avgPacketSize = 0, duration = 0, preroll = 0;
    uint16_t flags = 0;
};

// A whole, well-formed file: the header section in the order RMF, PROP,
// CONT (when wanted), MDPR..., DATA, then the packets, then one index chunk
// per stream listed in `indexed`, holding a record for each timestamp given.
struct FileSpec {
    std::vector<StreamSpec> streams;
    std::vector<PacketSpec> packets;
    bool withContent = true;
    ContentSpec content;
    PropSpec props;
    struct Index {
        uint16_t number;
        std::vector<uint32_t> timestamps;
    };
    std::vector<Index> indexes;
};

// Codec headers, to put in a stream's typeSpecific. Every number is written
// big-endian at its place, field by field.
struct RealVideoSpec {
    std::string codec = "RV40";
    uint16_t width = 320, height = 240;
    uint32_t fps = 25 << 16;  // 16.16 fixed point
    std::string codecData = std::string("\x00\x00\x10\x00\x40\x00\x00\x00", 8);
};
std::string realVideoHeader(const RealVideoSpec& v);

// A RealAudio header of version 3, 4 or 5. The defaults are those of a
// cook stream written by Helix Producer.
struct RealAudioSpec {
    uint16_t version = 5;
    std::string codec = "cook";
    std::string interleaver = "genr";
    uint16_t sampleRate = 44100, channels = 2, sampleSize = 16;
    uint16_t flavor = 21;
    uint32_t codedFrameSize = 465, bytesPerMinute = 240311;
    uint16_t subPacketH = 16, frameSize = 465, subPacketSize = 93;
    // Versions 4 and 5: the codec's own data, after its length.
    std::string codecData = std::string("\x01\x00\x00\x03\x08\x00\x00\x20\x00\x00\x00\x00\x00\x02\x00\x04", 16);
    // Version 3: the texts it carries, and whether the codec follows them.
    std::string title, author, copyright, comment;
    bool withCodec = true;
};
std::string realAudioHeader(const RealAudioSpec& a);

// One property of a logical-fileinfo stream (type 0 a number, 1 a buffer,
// 2 a text, stored with its terminating NUL), and the stream's whole
// type-specific data: `streams` physical streams and `rules` rules (their
// bytes filler), then the properties.
std::string fileInfoProperty(const std::string& name, uint32_t type, const std::string& value);
std::string fileInfoData(const std::vector<std::string>& properties, uint16_t streams = 0, uint16_t rules = 0);

std::string chunkRmf(uint32_t numHeaders, uint32_t fileVersion = 0);
std::string chunkProp(const PropSpec& p, uint32_t numPackets, uint32_t indexOffset, uint32_t dataOffset,
                      uint16_t numStreams);
std::string chunkMdpr(const StreamSpec& s);
std::string chunkCont(const ContentSpec& c);
std::string dataHeader(uint32_t size, uint32_t numPackets);
std::string packet(const PacketSpec& p);
// Index records as (timestamp, offset, packet_count).
struct IndexRecord {
    uint32_t timestamp, offset, packetCount;
};
std::string chunkIndx(uint16_t number, const std::vector<IndexRecord>& records, uint32_t next);

// Builds the file; records of an index point at the first packet of their
// stream carrying the timestamp (offset 0 and count 0 when none does).
std::string buildFile(const FileSpec& plan);

}  // namespace testing_rm
