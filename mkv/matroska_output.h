// One Matroska file written from the packets of a job's output streams:
// each stream a track (or left out when Matroska has no form for it), each
// packet through its track's block maker into the file, and the file read
// back and checked against the same packets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mkv/block_maker.h"
#include "mkv/matroska_writer.h"
#include "mkv/track_form.h"

namespace rm {
class OutFile;
}

namespace mkv {

// Whether an output's name asks for Matroska: it ends in .mkv or .mka, in any case.
bool namesMatroska(const std::string& path);

// An output stream as the job makes it: its name, and the type-specific
// data that says what it holds.
struct StreamSource {
    std::string name;
    std::vector<uint8_t> typeSpecific;
    bool nameIsUtf8 = false;  // a name the job gave, not one kept from a source
};

// The tracks of a job's output streams: by output stream, its track number
// (from 1), or nothing for a stream that has no Matroska form.
struct TrackPlan {
    std::vector<TrackForm> tracks;
    std::vector<std::optional<uint16_t>> trackOf;
    std::vector<uint16_t> leftOut;  // output streams without a track
};
TrackPlan planTracks(const std::vector<StreamSource>& streams);

class MatroskaFile {
public:
    // Writes the file's head to `out`, a file just created. Times are
    // written as given when `keepTimestamps`, otherwise counted from the
    // first packet's.
    MatroskaFile(rm::OutFile& out, const TrackPlan& plan, const FileTexts& texts, const std::string& application,
                 bool keepTimestamps);

    // Writes a packet of output stream `stream`; packets of streams
    // without a track are passed over.
    void write(uint16_t stream, int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size);
    // Ends the file; `durationMs` is its length. The caller closes `out`.
    void finish(uint64_t durationMs);

    bool failed() const;
    std::string error() const;
    // By output stream: packets left out of unfinished pictures.
    std::vector<uint32_t> packetsLeftOut() const;
    // What the file's times are counted from.
    int64_t shift() const { return m_firstMs.value_or(0); }

private:
    void put(std::vector<Block>& blocks);

    const TrackPlan& m_plan;
    std::unique_ptr<MatroskaWriter> m_writer;
    std::vector<BlockMaker> m_makers;  // by track
    std::vector<Block> m_blocks;
    bool m_keepTimestamps;
    std::optional<int64_t> m_firstMs;
};

// A source packet of an output stream, as the file was to get it.
struct SourcePacket {
    int64_t timestampMs = 0;
    bool key = false;
    std::vector<uint8_t> payload;
};

// Reads a written file back and compares each block with the blocks its
// source packets make: `next` gives the next source packet of an output
// stream (false past its last), `shiftMs` is what the file's times were
// counted from (MatroskaFile::shift). "" when every block is its packets'.
std::string verifyMatroska(const std::string& path, const TrackPlan& plan, int64_t shiftMs,
                           const std::function<bool(uint16_t stream, SourcePacket& packet)>& next);

}  // namespace mkv
