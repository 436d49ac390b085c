// What the front ends show of a source file that Scan has kept: each usable
// stream's codec and figures, and the file's size, duration, content texts
// and whether it is indexed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class RmMuxer;

struct StreamDetails {
    std::string codec;  // the codec code from the stream's codec header; "" when none
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

struct SourceDetails {
    uint64_t size = 0;  // bytes
    uint32_t durationMs = 0;
    std::string title, author, copyright, comment;  // "" when the file has none
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
