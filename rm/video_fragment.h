// The header that opens the payload of a RealVideo packet: which part of
// which picture the packet carries, and where that part lies in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace rm {

struct VideoFragment {
    enum class Kind : uint8_t {
        Slice = 0,          // one slice of a picture that more packets carry
        WholeFrame = 1,     // a whole picture: the rest of the packet
        LastSlice = 2,      // the slice that ends a picture
        FrameInPacket = 3,  // one of several whole pictures in this packet, with a time of its own
    };
    Kind kind = Kind::WholeFrame;
    // Slices: how many slices the picture is at most made of.
    uint8_t slices = 1;
    // Slices: the slice's number in its picture, 1 for the first.
    uint8_t sequence = 0;
    // Slices: the picture's size in bytes, slices together. FrameInPacket:
    // the size of this picture.
    uint32_t frameSize = 0;
    // Slice: where it lies in the picture; LastSlice: its length.
    // FrameInPacket: the picture's timestamp (ms).
    uint32_t offset = 0;
    // Slices: the picture's sequence number; a slice of another number
    // starts another picture.
    uint8_t picture = 0;
    // Bytes of this header; the picture's bytes follow.
    std::size_t headerSize = 0;
    // Bytes of picture data after the header that belong to this fragment.
    std::size_t dataSize = 0;
};

// Reads the fragment header at `data`, which `size` bytes of payload
// follow; nothing when the payload ends before its header does, or a
// picture in the packet reaches past it. A packet may hold several
// fragments one after another: the next one starts after dataSize bytes.
std::optional<VideoFragment> readVideoFragment(const uint8_t* data, std::size_t size);

// The header of a RealVideo 3 or 4 picture, at the start of its first
// slice: its kind and the picture's own timestamp.
struct PictureHeader {
    bool bidirectional = false;  // a B-frame: shown before the picture decoded ahead of it
    uint16_t time = 0;           // presentation time in ms, modulo 8192
};

// Reads the header of a `codec` ("RV30" or "RV40") picture from the first
// bytes of its first slice; nothing for another codec or fewer than 4 bytes.
std::optional<PictureHeader> readPictureHeader(const char* codec, const uint8_t* data, std::size_t size);

}  // namespace rm
