// What the front ends show of a source file that Scan has kept: each usable
// stream's codec and figures, and the file's size, duration, content texts
// and file-info properties, and whether it is indexed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rm/fileinfo_properties.h"

class RmMuxer;

struct StreamDetails {
    std::string codec;  // the codec code from the stream's codec header; "" when none
    std::string mime;   // its MIME type
    uint32_t durationMs = 0;  // as its header gives it
    uint32_t bitRate = 0;  // average, bits per second
    uint32_t maxBitRate = 0;
    uint32_t prerollMs = 0;
    // The figures the codec header carries; empty where it carries none.
    std::optional<uint16_t> width, height;
    std::optional<double> fps;
    std::optional<uint16_t> sampleRate;  // Hz
    std::optional<uint16_t> channels;
    // A multi-rate stream: how many rates it holds (codec and figures are
    // those of the first).
    std::optional<uint16_t> rates;
};

// A file's texts, as bytes as stored, in whatever code page the file was
// written in; the front ends show them in UTF-8.
struct FileTexts {
    std::string title, author, copyright, comment;  // "" when the file has none
    // The properties of its logical-fileinfo stream, in stored order; none
    // when it has no such stream.
    std::vector<rm::FileInfoProperty> properties;
};

// The texts of the file whose header section the muxer read last.
FileTexts ReadTexts(const RmMuxer& muxer);

struct SourceDetails : FileTexts {
    uint64_t size = 0;  // bytes
    uint32_t durationMs = 0;
    bool indexed = false;  // its index chunks hold at least one record
    std::vector<StreamDetails> streams;  // the usable streams, in the order Scan listed them
};

// The details of the file the last Scan kept; call it right after a Scan
// that returned streams, before another Scan or a merge reuses the muxer's
// record.
SourceDetails ScannedSourceDetails(RmMuxer& muxer);

// A stream's codec and main figures in one line, as kestrova-cli list and
// the dialog show them: "RV20 320x240 25 fps 250 kb/s",
// "dnet 44100 Hz 2 ch 128 kb/s", "cook (2 rates) 44100 Hz 2 ch 96 kb/s".
// Figures the stream lacks are left out.
std::string StreamSummary(const StreamDetails& stream);
