// Reading a RealMedia file as a merge reads a source, and telling what in it
// is not sound: the figures of each stream, and every problem with its place.
#pragma once

#include <atomic>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mux/source_details.h"
#include "rm/records.h"

enum class ProblemKind {
    Refused,             // a merge refuses the file: not RealMedia, header section unusable, no usable stream
    ReadError,           // the file could not be read; what follows the place was not checked
    ChunkSize,           // a header chunk's size field disagrees with what its reader consumed
    StreamCount,         // PROP num_streams disagrees with the stream headers present
    NoDataChunk,         // no whole data chunk: the file holds no packets
    DataOffset,          // PROP data_offset misses the data chunk
    DataSize,            // the data chunk's size disagrees with where its packets end
    PacketCount,         // a num_packets disagrees with the packets the data chunk holds
    NextDataHeader,      // next_data_header leads outside the file, to no data chunk, or to one not read
    CutPacket,           // a packet cut short by the end of the file or of the data chunk
    DamagedPacket,       // a packet header whose length cannot be right
    TimestampBackwards,  // a packet earlier than the one before it in its stream
    UnknownStream,       // packets, or an index chunk, of a stream no header describes
    UnusableStream,      // packets of a stream whose header gives duration 0
    IndexChain,          // the index chain leads outside the file, to no index chunk, or back on itself
    IndexSize,           // an index chunk's size or count disagrees with the records it holds
    IndexRecord          // an index record that points at no packet of its stream with its timestamp
};

struct CheckProblem {
    ProblemKind kind = ProblemKind::Refused;
    uint64_t offset = 0;  // the byte of the file it concerns
    std::string text;     // what was found, in a few words
    // A packet out of order: the packet of its stream before it.
    uint64_t previous = 0;
};

struct StreamCheck {
    uint16_t number = 0;  // its stream_number
    std::string mime;
    uint32_t durationMs = 0;
    uint32_t packets = 0;
    // The timestamps of its first and last packet in file order; 0 without packets.
    uint32_t firstTimestamp = 0, lastTimestamp = 0;
    uint64_t lastOffset = 0;  // of its last packet in file order
    uint32_t keyframes = 0;  // packets with the keyframe flag (2)
    uint32_t indexRecords = 0;
    // Records that point at a packet of this stream carrying their timestamp.
    uint32_t indexRecordsMatching = 0;
};

// One index record, where it stands and, when it points at a packet of its
// stream with its timestamp, which packet of the data chunk that is
// (counting from 0).
struct IndexRecordCheck {
    uint16_t stream = 0;
    uint64_t at = 0;
    uint32_t timestamp = 0;
    uint32_t offset = 0;
    uint32_t packetCount = 0;
    std::optional<uint32_t> packet;
};

struct SourceCheck {
    std::string openError;  // why the file could not be opened; nothing else is filled then
    uint64_t size = 0;
    FileTexts texts;
    // Every stream header read whole, in file order.
    std::vector<StreamCheck> streams;
    std::vector<IndexRecordCheck> records;
    // In the order of their places in the file.
    std::vector<CheckProblem> problems;
};

// One whole packet of the data chunk, as it is read.
struct CheckedPacket {
    uint32_t ordinal;  // its place among the data chunk's packets, from 0
    uint64_t offset;
    const rm::RmPacketHeader& header;
    const std::vector<uint8_t>& payload;
};

// Sees each whole packet in file order, with its payload; returning false
// stops the reading, and what depends on the packets not read is then not
// judged.
using PacketVisitor = std::function<bool(const CheckedPacket&)>;

// Reads the file at `path` with the merge's header walk, data chunk, packet
// reader and index chain. Once `stop` is set, the reading of packets stops
// as a visitor's false stops it.
SourceCheck CheckSource(const std::string& path, const PacketVisitor& visit = {},
                        const std::atomic<uint8_t>* stop = nullptr);
