#include "rm/chunk_readers.h"

#include <algorithm>
#include <cstring>

#include "rm/input_file.h"

namespace rm {

namespace {

// Reads n plain bytes; the part of dst that could not be read is zeroed.
bool readPlain(InFile& in, void* dst, std::size_t n)
{
    const std::size_t got = in.read(dst, n);
    if (got == n)
        return true;
    std::memset(static_cast<char*>(dst) + got, 0, n - got);
    return false;
}

// Reads a length-prefixed field of which at most `capacity` bytes are kept.
// Returns false on a short read; `truncated` tells whether bytes were dropped.
template <class Length>
bool readBoundedField(InFile& in, Length& length, void* dst, std::size_t capacity, bool& truncated)
{
    if (!readRecord(in, length))
        return false;
    const std::size_t kept = std::min<std::size_t>(length, capacity);
    if (!readPlain(in, dst, kept))
        return false;
    truncated = kept < length;
    if (truncated && !in.skip(length - kept))
        return false;
    length = static_cast<Length>(kept);
    return true;
}

}  // namespace

bool readChunkId(InFile& in, ChunkId& id)
{
    return readPlain(in, id.bytes, sizeof id.bytes);
}

StreamHeaderRead readStreamHeader(InFile& in, RmStreamHeader& slot)
{
    // A name or MIME type length is one byte, so both always fit their buffers.
    bool unused = false;
    bool oversized = false;
    uint32_t typeSpecificLen = 0;
    const bool complete =
        readRecord(in, slot.fixed)
        && readBoundedField(in, slot.stream_name_size, slot.stream_name, kNameCapacity, unused)
        && readBoundedField(in, slot.mime_type_size, slot.mime_type, kMimeCapacity, unused)
        && readBoundedField(in, typeSpecificLen, slot.type_specific_data, kTypeSpecificCapacity, oversized);
    slot.type_specific_len = typeSpecificLen;
    if (!complete)
        return StreamHeaderRead::Short;
    return oversized ? StreamHeaderRead::Oversized : StreamHeaderRead::Complete;
}

bool readContent(InFile& in, RmContent& content)
{
    if (!readRecord(in, content.head))
        return false;
    char* texts[4] = {content.title, content.author, content.copyright, content.comment};
    uint16_t lengths[4] = {};
    bool unused = false;
    for (int i = 0; i < 4; ++i)
        if (!readBoundedField(in, lengths[i], texts[i], kTextCapacity, unused))
            return false;
    content.title_len = lengths[0];
    content.author_len = lengths[1];
    content.copyright_len = lengths[2];
    content.comment_len = lengths[3];
    return true;
}

}  // namespace rm
