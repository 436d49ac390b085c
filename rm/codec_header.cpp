// Reading the RealVideo and RealAudio codec headers, from one table of their fields.
#include "rm/codec_header.h"

#include <algorithm>
#include <cstring>

namespace rm {

namespace {

enum class Header { RealVideo, RealAudio3, RealAudio4, RealAudio5 };
enum class Field { Codec, Width, Height, FrameRate, SampleRate, Channels, InterleaveHeight, FrameSize, SubPacketSize };

// How a field is stored. A text is a length byte followed by that many bytes.
enum class Stored {
    Word,           // 16-bit big-endian number
    DoubleWord,     // 32-bit big-endian number
    FourBytes,      // a code of four plain bytes
    SecondText,     // the second of two texts
    TextAfterFour,  // a text after four texts and one more byte, in the headers that carry it
};

struct FieldPlace {
    Header header;
    Field field;
    std::size_t offset;  // from the first byte of the type-specific data
    Stored stored;
};

// Every field read from a codec header. A field a header lacks has no row.
constexpr FieldPlace kFields[] = {
    // RealVideo: header size (4), "VIDO", codec, width, height, bit count (2),
    // 4 bytes, frame rate, then the codec's own data.
    {Header::RealVideo, Field::Codec, 8, Stored::FourBytes},
    {Header::RealVideo, Field::Width, 12, Stored::Word},
    {Header::RealVideo, Field::Height, 14, Stored::Word},
    {Header::RealVideo, Field::FrameRate, 22, Stored::DoubleWord},
    // RealAudio 3: ".ra\xfd", version, header size (the bytes after these 8),
    // 10 bytes, data size (4), title, author, copyright and comment as
    // texts, then, where the header size leaves room, one byte and the codec
    // as a text ("lpcJ"). The format is 8 kHz mono, but no field says so.
    {Header::RealAudio3, Field::Codec, 22, Stored::TextAfterFour},
    // RealAudio 4: ".ra\xfd", version, 2 bytes, ".ra4", data size (4),
    // version (2), header size (4), flavor (2), coded frame size (4),
    // 12 bytes, sub-packet height, frame size, sub-packet size (2 each),
    // 2 bytes, sample rate, 2 bytes, sample size, channels, then the
    // interleaver and the codec as texts.
    {Header::RealAudio4, Field::InterleaveHeight, 40, Stored::Word},
    {Header::RealAudio4, Field::FrameSize, 42, Stored::Word},
    {Header::RealAudio4, Field::SubPacketSize, 44, Stored::Word},
    {Header::RealAudio4, Field::SampleRate, 48, Stored::Word},
    {Header::RealAudio4, Field::Channels, 54, Stored::Word},
    {Header::RealAudio4, Field::Codec, 56, Stored::SecondText},
    // RealAudio 5: as version 4 (with ".ra5") but for 6 more bytes before
    // the sample rate, and the interleaver and the codec as four plain bytes
    // each; the codec's own data follows.
    {Header::RealAudio5, Field::InterleaveHeight, 40, Stored::Word},
    {Header::RealAudio5, Field::FrameSize, 42, Stored::Word},
    {Header::RealAudio5, Field::SubPacketSize, 44, Stored::Word},
    {Header::RealAudio5, Field::SampleRate, 54, Stored::Word},
    {Header::RealAudio5, Field::Channels, 60, Stored::Word},
    {Header::RealAudio5, Field::Codec, 66, Stored::FourBytes},
};

constexpr std::size_t kCodecLength = 4;

// Bounds-checked reads from the type-specific data.
struct Bytes {
    const uint8_t* data;
    std::size_t size;

    bool holds(std::size_t offset, std::size_t n) const { return offset <= size && n <= size - offset; }

    std::optional<uint32_t> number(std::size_t offset, std::size_t n) const
    {
        if (!holds(offset, n))
            return std::nullopt;
        uint32_t value = 0;
        for (std::size_t k = 0; k < n; ++k)
            value = value << 8 | data[offset + k];
        return value;
    }

    // Where the text at `offset` ends, when all of it is held.
    std::optional<std::size_t> textEnd(std::size_t offset) const
    {
        if (!holds(offset, 1) || !holds(offset + 1, data[offset]))
            return std::nullopt;
        return offset + 1 + data[offset];
    }

    // A codec code of `n` stored bytes: at most four kept, trailing NULs dropped.
    std::string code(std::size_t offset, std::size_t n) const
    {
        std::string text(reinterpret_cast<const char*>(data + offset), std::min(n, kCodecLength));
        return text.erase(text.find_last_not_of('\0') + 1);
    }

    // The code stored as a text at `offset`.
    std::optional<std::string> textCode(std::size_t offset) const
    {
        if (!textEnd(offset))
            return std::nullopt;
        return code(offset + 1, data[offset]);
    }
};

std::optional<std::string> readCode(const Bytes& bytes, std::size_t offset, Stored stored)
{
    switch (stored) {
    case Stored::FourBytes:
        if (!bytes.holds(offset, kCodecLength))
            return std::nullopt;
        return bytes.code(offset, kCodecLength);
    case Stored::SecondText:
        if (const auto second = bytes.textEnd(offset))
            return bytes.textCode(*second);
        return std::nullopt;
    case Stored::TextAfterFour: {
        std::optional<std::size_t> at = offset;
        for (int k = 0; k < 4 && at; ++k)
            at = bytes.textEnd(*at);
        if (!at)
            return std::nullopt;
        return bytes.textCode(*at + 1);
    }
    case Stored::Word:
    case Stored::DoubleWord:
        break;
    }
    return std::nullopt;
}

std::optional<Header> headerOf(const Bytes& bytes)
{
    if (bytes.holds(0, 8) && std::memcmp(bytes.data + 4, "VIDO", 4) == 0)
        return Header::RealVideo;
    if (!bytes.holds(0, 6) || std::memcmp(bytes.data, ".ra\xfd", 4) != 0)
        return std::nullopt;
    switch (*bytes.number(4, 2)) {
    case 3:
        return Header::RealAudio3;
    case 4:
        return Header::RealAudio4;
    case 5:
        return Header::RealAudio5;
    }
    return std::nullopt;
}

// A multi-rate wrapper: "MLTI", the number of rules (2 bytes) and the
// header each rule uses (2 bytes each), the number of headers (2 bytes),
// then each header as its length (4 bytes) and its bytes. False for data
// that is no such wrapper; otherwise the number of headers when the wrapper
// holds it, and where the first lies when it is held whole.
bool readMultiRate(const Bytes& bytes, std::optional<uint16_t>& headers, CodecHeaderPlace& first)
{
    if (!bytes.holds(0, 4) || std::memcmp(bytes.data, "MLTI", 4) != 0)
        return false;
    headers.reset();
    first = {};
    const std::optional<uint32_t> rules = bytes.number(4, 2);
    if (!rules)
        return true;
    const std::size_t headersAt = 6 + 2 * std::size_t{*rules};
    const std::optional<uint32_t> count = bytes.number(headersAt, 2);
    if (!count)
        return true;
    headers = static_cast<uint16_t>(*count);
    const std::optional<uint32_t> firstSize = bytes.number(headersAt + 2, 4);
    if (*count > 0 && firstSize && bytes.holds(headersAt + 6, *firstSize))
        first = {headersAt + 6, *firstSize};
    return true;
}

// The codec's own data: in version 5 after the codec, 4 more bytes and its
// length (4); in version 4 after the codec's text, 3 bytes and its length.
std::optional<std::size_t> ownDataAt(const Bytes& bytes, Header header)
{
    if (header == Header::RealAudio5)
        return 78;
    if (header != Header::RealAudio4)
        return std::nullopt;
    const std::optional<std::size_t> codecText = bytes.textEnd(56);
    const std::optional<std::size_t> codecEnd = codecText ? bytes.textEnd(*codecText) : std::nullopt;
    if (!codecEnd)
        return std::nullopt;
    return *codecEnd + 3 + 4;
}

// Samples per channel in one codec frame. Cook's own data gives the
// samples of all channels after its 4-byte version; ATRAC's frame is fixed.
std::optional<uint32_t> frameSamples(const Bytes& bytes, Header header, const CodecHeader& found)
{
    if (found.codec == "atrc")
        return 1024;
    const std::optional<std::size_t> at = ownDataAt(bytes, header);
    if (found.codec != "cook" || !at || !found.channels || *found.channels == 0)
        return std::nullopt;
    const std::optional<uint32_t> samples = bytes.number(*at + 4, 2);
    if (!samples || *samples < *found.channels)
        return std::nullopt;
    return *samples / *found.channels;
}

}  // namespace

CodecHeaderPlace codecHeaderPlace(const uint8_t* data, std::size_t size)
{
    std::optional<uint16_t> headers;
    CodecHeaderPlace first;
    if (readMultiRate(Bytes{data, size}, headers, first))
        return first;
    return {0, size};
}

CodecHeader readCodecHeader(const uint8_t* data, std::size_t size)
{
    CodecHeader result;
    Bytes bytes{data, size};
    std::optional<uint16_t> headers;
    CodecHeaderPlace first;
    if (readMultiRate(bytes, headers, first)) {
        // A wrapper within a wrapper is not read: the first header is a codec's.
        if (first.size > 0 && !(first.size >= 4 && std::memcmp(data + first.offset, "MLTI", 4) == 0))
            result = readCodecHeader(data + first.offset, first.size);
        result.rates = headers;
        return result;
    }
    const std::optional<Header> header = headerOf(bytes);
    if (!header)
        return result;
    if (*header != Header::RealVideo)
        result.audio_version = static_cast<uint16_t>(*bytes.number(4, 2));
    // A version 3 header says how far it reaches; its optional codec is
    // there only when that reach leaves room for it.
    if (*header == Header::RealAudio3) {
        const std::optional<uint32_t> headerSize = bytes.number(6, 2);
        bytes.size = headerSize ? std::min<std::size_t>(size, 8 + *headerSize) : 0;
    }

    for (const FieldPlace& place : kFields) {
        if (place.header != *header)
            continue;
        if (place.field == Field::Codec) {
            if (const auto code = readCode(bytes, place.offset, place.stored))
                result.codec = *code;
            continue;
        }
        const std::optional<uint32_t> value = bytes.number(place.offset, place.stored == Stored::Word ? 2 : 4);
        if (!value)
            continue;
        switch (place.field) {
        case Field::Width:
            result.width = static_cast<uint16_t>(*value);
            break;
        case Field::Height:
            result.height = static_cast<uint16_t>(*value);
            break;
        case Field::FrameRate:
            if (*value != 0)
                result.frame_rate = *value;
            break;
        case Field::SampleRate:
            result.sample_rate = static_cast<uint16_t>(*value);
            break;
        case Field::Channels:
            result.channels = static_cast<uint16_t>(*value);
            break;
        case Field::InterleaveHeight:
        case Field::FrameSize:
        case Field::SubPacketSize:
            if (*value != 0)
                (place.field == Field::InterleaveHeight ? result.interleave_height
                 : place.field == Field::FrameSize      ? result.frame_size
                                                        : result.sub_packet_size) = static_cast<uint16_t>(*value);
            break;
        case Field::Codec:
            break;
        }
    }
    result.frame_samples = frameSamples(bytes, *header, result);
    return result;
}

}  // namespace rm

namespace rm {

namespace {

// Bytes of a codec header that say nothing about how the stream decodes:
// the RealVideo frame rate, and the RealAudio data size (the length of the
// recording). Two streams differing only there decode alike.
struct IgnoredBytes {
    Header header;
    std::size_t offset;
    std::size_t length;
};

constexpr IgnoredBytes kIgnored[] = {
    {Header::RealVideo, 22, 4},
    {Header::RealAudio3, 18, 4},
    {Header::RealAudio4, 12, 4},
    {Header::RealAudio5, 12, 4},
};

bool ignored(Header header, std::size_t at)
{
    for (const IgnoredBytes& place : kIgnored)
        if (place.header == header && at >= place.offset && at < place.offset + place.length)
            return true;
    return false;
}

}  // namespace

bool sameDecoding(const uint8_t* a, std::size_t aSize, const uint8_t* b, std::size_t bSize)
{
    if (aSize != bSize)
        return false;
    const std::optional<Header> header = headerOf(Bytes{a, aSize});
    if (header != headerOf(Bytes{b, bSize}))
        return false;
    for (std::size_t at = 0; at < aSize; ++at)
        if (a[at] != b[at] && !(header && ignored(*header, at)))
            return false;
    return true;
}

}  // namespace rm
