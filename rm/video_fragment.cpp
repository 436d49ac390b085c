// Reading the fragment header of a RealVideo packet and the picture header of RealVideo 3 and 4.
#include "rm/video_fragment.h"

#include <cstring>

namespace rm {

namespace {

// A number of 14 bits in two bytes (the top bit unused, the next one set),
// or of 30 bits in four.
bool readNumber(const uint8_t* data, std::size_t size, std::size_t& at, uint32_t& value)
{
    if (size - at < 2)
        return false;
    const uint32_t high = (uint32_t{data[at]} << 8 | data[at + 1]) & 0x7FFF;
    at += 2;
    if (high >= 0x4000) {
        value = high - 0x4000;
        return true;
    }
    if (size - at < 2)
        return false;
    value = high << 16 | uint32_t{data[at]} << 8 | data[at + 1];
    at += 2;
    return true;
}

}  // namespace

std::optional<VideoFragment> readVideoFragment(const uint8_t* data, std::size_t size)
{
    VideoFragment fragment;
    std::size_t at = 0;
    if (size < 1)
        return std::nullopt;
    const uint8_t first = data[at++];
    fragment.kind = static_cast<VideoFragment::Kind>(first >> 6);
    fragment.slices = static_cast<uint8_t>(((first & 0x3F) << 1) + 1);
    if (fragment.kind != VideoFragment::Kind::FrameInPacket) {
        if (at >= size)
            return std::nullopt;
        fragment.sequence = data[at++] & 0x7F;
    }
    if (fragment.kind != VideoFragment::Kind::WholeFrame) {
        if (!readNumber(data, size, at, fragment.frameSize) || !readNumber(data, size, at, fragment.offset)
            || at >= size)
            return std::nullopt;
        fragment.picture = data[at++];
    }
    fragment.headerSize = at;
    const std::size_t rest = size - at;
    switch (fragment.kind) {
    case VideoFragment::Kind::WholeFrame:
        fragment.dataSize = rest;
        break;
    case VideoFragment::Kind::FrameInPacket:
        if (fragment.frameSize > rest)
            return std::nullopt;
        fragment.dataSize = fragment.frameSize;
        break;
    case VideoFragment::Kind::LastSlice:
        // The last slice's offset is its length: what follows it in the
        // packet is the next fragment.
        fragment.dataSize = fragment.offset < rest ? fragment.offset : rest;
        break;
    case VideoFragment::Kind::Slice:
        fragment.dataSize = rest;
        break;
    }
    return fragment;
}

std::optional<PictureHeader> readPictureHeader(const char* codec, const uint8_t* data, std::size_t size)
{
    if (size < 4)
        return std::nullopt;
    const uint32_t bits = uint32_t{data[0]} << 24 | uint32_t{data[1]} << 16 | uint32_t{data[2]} << 8 | data[3];
    // The picture type (0 and 1 intra, 2 forward, 3 bidirectional) and the
    // 13-bit timestamp lie one bit further in RealVideo 4.
    unsigned type = 0, time = 0;
    if (std::strcmp(codec, "RV30") == 0) {
        type = bits >> 27 & 3;
        time = bits >> 7 & 0x1FFF;
    } else if (std::strcmp(codec, "RV40") == 0) {
        type = bits >> 29 & 3;
        time = bits >> 6 & 0x1FFF;
    } else {
        return std::nullopt;
    }
    return PictureHeader{type == 3, static_cast<uint16_t>(time)};
}

}  // namespace rm
