// The blocks of a Matroska track from the packets of its RealMedia stream.
#include "mkv/block_maker.h"

#include "rm/video_fragment.h"

namespace mkv {

namespace {

// A joined picture opens with the number of its slices less one, then for
// each slice the number 1 and the slice's offset in the picture, both 32-bit
// little-endian, then the slices one after another.
constexpr std::size_t kSliceEntrySize = 8;

void putLittle32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        out.push_back(static_cast<uint8_t>(value >> 8 * k));
}

// The picture's own times count ms modulo this.
constexpr uint16_t kPictureTimeModulo = 0x2000;

}  // namespace

BlockMaker::BlockMaker(const TrackForm& form, uint16_t track)
    : m_form(form), m_track(track)
{
}

void BlockMaker::add(int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size, std::vector<Block>& out)
{
    if (m_form.kind == TrackKind::Video) {
        addVideo(timestampMs, key, payload, size, out);
        return;
    }
    Block block{m_track, timestampMs, key, std::vector<uint8_t>(payload, payload + size)};
    if (m_form.swapWords)
        for (std::size_t at = 0; at + 1 < size; at += 2)
            std::swap(block.data[at], block.data[at + 1]);
    out.push_back(std::move(block));
}

void BlockMaker::addVideo(int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size,
                          std::vector<Block>& out)
{
    ++m_packet;
    std::size_t at = 0;
    while (at < size) {
        const std::optional<rm::VideoFragment> fragment = rm::readVideoFragment(payload + at, size - at);
        if (!fragment) {
            // Bytes that are no fragment of a picture: nothing a decoder
            // could show, left out with the picture they break into.
            dropPicture();
            ++m_packetsLeftOut;
            return;
        }
        const uint8_t* bytes = payload + at + fragment->headerSize;
        const std::size_t length = fragment->dataSize;
        using Kind = rm::VideoFragment::Kind;
        if (fragment->kind == Kind::WholeFrame || fragment->kind == Kind::FrameInPacket) {
            dropPicture();
            startPicture(fragment->kind == Kind::FrameInPacket ? fragment->offset : timestampMs, key);
            addSlice(bytes, length);
            finishPicture(out);
        } else {
            if (m_open && (fragment->sequence == 1 || fragment->picture != m_pictureNumber))
                dropPicture();
            if (!m_open) {
                startPicture(timestampMs, key);
                m_pictureSize = fragment->frameSize;
                m_pictureNumber = fragment->picture;
            }
            addSlice(bytes, length);
            if (fragment->kind == Kind::LastSlice || m_picture.data.size() >= m_pictureSize)
                finishPicture(out);
        }
        at += fragment->headerSize + length;
    }
}

void BlockMaker::startPicture(int64_t timestampMs, bool key)
{
    m_open = true;
    m_picture = Block{m_track, timestampMs, key, {}};
    m_sliceOffsets.clear();
    m_picturePackets = 0;
    m_lastPacket = 0;
}

void BlockMaker::addSlice(const uint8_t* bytes, std::size_t size)
{
    if (m_lastPacket != m_packet) {
        m_lastPacket = m_packet;
        ++m_picturePackets;
    }
    m_sliceOffsets.push_back(static_cast<uint32_t>(m_picture.data.size()));
    m_picture.data.insert(m_picture.data.end(), bytes, bytes + size);
}

void BlockMaker::finishPicture(std::vector<Block>& out)
{
    if (!m_open)
        return;
    m_open = false;
    Block block{m_track, m_picture.timeMs, m_picture.key, {}};
    block.data.reserve(1 + kSliceEntrySize * m_sliceOffsets.size() + m_picture.data.size());
    block.data.push_back(static_cast<uint8_t>(m_sliceOffsets.size() - 1));
    for (const uint32_t offset : m_sliceOffsets) {
        putLittle32(block.data, 1);
        putLittle32(block.data, offset);
    }
    block.data.insert(block.data.end(), m_picture.data.begin(), m_picture.data.end());
    m_picture.data.clear();
    if (m_form.pictureTimes)
        block.timeMs = presentationTime(block.timeMs, block.data);
    out.push_back(std::move(block));
}

void BlockMaker::dropPicture()
{
    if (!m_open)
        return;
    m_open = false;
    m_packetsLeftOut += m_picturePackets;
    m_picture.data.clear();
}

void BlockMaker::finish()
{
    dropPicture();
}

// A picture that is not a B-frame is shown at the time its packets carry.
// A B-frame is shown before the picture decoded ahead of it, by as much as
// the pictures' own times differ.
int64_t BlockMaker::presentationTime(int64_t decodeMs, const std::vector<uint8_t>& frame)
{
    const std::size_t firstSlice = 1 + kSliceEntrySize * (std::size_t{frame[0]} + 1);
    if (frame.size() < firstSlice)
        return decodeMs;
    const std::optional<rm::PictureHeader> header =
        rm::readPictureHeader(m_form.realCodec.c_str(), frame.data() + firstSlice, frame.size() - firstSlice);
    if (!header)
        return decodeMs;
    if (!header->bidirectional) {
        m_anchorKnown = true;
        m_anchorMs = decodeMs;
        m_anchorPictureTime = header->time;
        return decodeMs;
    }
    if (!m_anchorKnown)
        return decodeMs;
    const int64_t back = (m_anchorPictureTime - header->time) & (kPictureTimeModulo - 1);
    return m_anchorMs - back >= 0 ? m_anchorMs - back : decodeMs;
}

}  // namespace mkv
