// Turning the packets of one RealMedia stream into the blocks of its
// Matroska track: a packet of audio is a block of its own; the fragments of
// a RealVideo picture are joined into one block, as Matroska holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mkv/track_form.h"

namespace mkv {

struct Block {
    uint16_t track = 0;  // the track's number, from 1
    int64_t timeMs = 0;  // presentation time
    bool key = false;
    std::vector<uint8_t> data;
};

class BlockMaker {
public:
    BlockMaker(const TrackForm& form, uint16_t track);

    // Adds the payload of a packet of the stream, stamped `timestampMs`
    // (with the keyframe flag `key`), and appends the blocks it completes to
    // `out`.
    void add(int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size, std::vector<Block>& out);
    // The stream has ended: a picture its packets left unfinished is no
    // picture a decoder can show, and is left out.
    void finish();
    // Packets left out in unfinished pictures: cut short by the end of the
    // stream, or by the next picture's first slice.
    uint32_t packetsLeftOut() const { return m_packetsLeftOut; }

private:
    void addVideo(int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size, std::vector<Block>& out);
    void startPicture(int64_t timestampMs, bool key);
    void addSlice(const uint8_t* bytes, std::size_t size);
    void finishPicture(std::vector<Block>& out);
    void dropPicture();
    int64_t presentationTime(int64_t decodeMs, const std::vector<uint8_t>& frame);

    TrackForm m_form;
    uint16_t m_track;

    // The picture being joined.
    bool m_open = false;
    Block m_picture;
    std::vector<uint32_t> m_sliceOffsets;
    uint32_t m_pictureSize = 0;
    uint8_t m_pictureNumber = 0;
    uint32_t m_picturePackets = 0;
    uint64_t m_packet = 0;      // packets added, the one at hand last
    uint64_t m_lastPacket = 0;  // the last packet that gave the picture a slice
    uint32_t m_packetsLeftOut = 0;

    // The last picture that is not a B-frame: its time in the packets and
    // its own time, which the B-frames after it are counted back from.
    bool m_anchorKnown = false;
    int64_t m_anchorMs = 0;
    uint16_t m_anchorPictureTime = 0;
};

}  // namespace mkv
