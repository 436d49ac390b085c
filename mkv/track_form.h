// The Matroska track a RealMedia stream becomes: its codec id, its codec
// private data and its figures, from the stream's type-specific data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mkv {

enum class TrackKind { Video, Audio };

struct TrackForm {
    TrackKind kind = TrackKind::Video;
    std::string codecId;                 // "V_REAL/RV40", "A_REAL/COOK", "A_AC3"...
    std::string realCodec;               // the codec code the RealMedia header names: "RV40", "cook"
    std::vector<uint8_t> codecPrivate;   // empty when the track has none
    std::string name;                    // UTF-8; empty for none
    std::optional<uint16_t> width, height;
    std::optional<uint64_t> frameDurationNs;
    std::optional<uint32_t> sampleRate;
    std::optional<uint16_t> channels;
    // AC-3 in RealMedia ("dnet") has each 16-bit word's bytes swapped;
    // Matroska holds it in its own order.
    bool swapWords = false;
    // RealVideo 3 and 4: a picture's presentation time is read from its
    // own header, as the packets carry its decoding time.
    bool pictureTimes = false;
};

// The track for a stream whose type-specific data is the `size` bytes at
// `data`; nothing when the stream has no Matroska form (events, file
// information, image maps: no RealVideo or RealAudio codec header). The name is left
// for the caller, who knows its code page.
std::optional<TrackForm> trackFor(const uint8_t* data, std::size_t size);

}  // namespace mkv
