// The codec header that opens a stream's type-specific data, read into what
// it says of the stream: its four-character codec code and main figures.
//
// Two headers are known: the RealVideo header (tagged "VIDO") and the
// RealAudio header (".ra\xfd") in its versions 3 (RealAudio 1.0, 14.4),
// 4 and 5. Their fields, where each lies and how it is stored, are one table
// in codec_header.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace rm {

// A field that the header does not carry, or whose bytes the data ends
// before, stays empty: nothing is guessed, not even what a codec implies.
struct CodecHeader {
    std::string codec;  // the codec code as stored, trailing NULs dropped; "" when none
    std::optional<uint16_t> width;
    std::optional<uint16_t> height;
    std::optional<uint32_t> frame_rate;  // frames per second, 16.16 fixed point; a stored 0 states none
    std::optional<uint16_t> sample_rate;  // Hz
    std::optional<uint16_t> channels;
    // RealAudio 4 and 5: the interleave block is `interleave_height`
    // packets of `frame_size` bytes, holding codec frames of
    // `sub_packet_size` bytes each; a 0 stored states none.
    std::optional<uint16_t> interleave_height, frame_size, sub_packet_size;
    // Samples per channel in one codec frame, where the codec's own data
    // says it (cook) or the codec fixes it (ATRAC: 1024).
    std::optional<uint32_t> frame_samples;
    // For a multi-rate stream, whose type-specific data is an "MLTI"
    // wrapper of one codec header per rate: how many it holds. The fields
    // above are then those of the first.
    std::optional<uint16_t> rates;
    // The version of a RealAudio header (3, 4 or 5); empty for RealVideo.
    std::optional<uint16_t> audio_version;
};

// Where the codec header lies in a stream's type-specific data: the whole
// data, or the first header an "MLTI" wrapper holds.
struct CodecHeaderPlace {
    std::size_t offset = 0;
    std::size_t size = 0;
};
CodecHeaderPlace codecHeaderPlace(const uint8_t* data, std::size_t size);

// Reads the codec header at the start of `size` bytes of type-specific
// data, or the first one an "MLTI" wrapper holds. Data that opens with neither header gives an empty CodecHeader, and
// so does a RealAudio header of another version.
CodecHeader readCodecHeader(const uint8_t* data, std::size_t size);

// Whether two streams' type-specific data make them decode alike: the same
// bytes but for those that describe the recording rather than its coding
// (the RealVideo frame rate, the RealAudio data size).
bool sameDecoding(const uint8_t* a, std::size_t aSize, const uint8_t* b, std::size_t bSize);

}  // namespace rm
