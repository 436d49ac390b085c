#include "rm/header_walker.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace rm {

namespace {

// Every chunk holds at least its id, its size and its object_version.
constexpr uint32_t kSmallestChunk = 10;

// Bytes read at a time by the search for a header chunk.
constexpr std::size_t kSearchBlock = 64 * 1024;

uint32_t sizeAt(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

}  // namespace

bool readByFields(const ChunkId& id)
{
    return id.is(kIdProperties) || id.is(kIdMediaProperties) || id.is(kIdContent);
}

std::optional<uint64_t> findHeaderChunk(InFile& in, uint64_t from)
{
    const uint64_t end = std::min(in.size(), from + kHeaderSearchLimit);
    // An id and its size field.
    constexpr std::size_t kLook = kChunkIdSize + 4;
    std::vector<uint8_t> block(kSearchBlock);
    for (uint64_t base = from; base + kLook <= end;) {
        const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(kSearchBlock, end - base));
        const std::size_t got = in.readAt(block.data(), want, base);
        if (in.failed() || got < kLook)
            return std::nullopt;
        const std::size_t places = got - kLook + 1;
        for (std::size_t k = 0; k < places; ++k) {
            const uint8_t* at = block.data() + k;
            const uint32_t size = sizeAt(at + kChunkIdSize);
            if (std::memcmp(at, kIdData, kChunkIdSize) == 0) {
                if (size >= kDataHeaderChunkSize)
                    return base + k;
                continue;
            }
            const bool known = std::memcmp(at, kIdMediaProperties, kChunkIdSize) == 0
                               || std::memcmp(at, kIdContent, kChunkIdSize) == 0;
            if (known && size >= kSmallestChunk && size <= in.size() - (base + k))
                return base + k;
        }
        if (got < want)
            return std::nullopt;
        base += places;
    }
    return std::nullopt;
}

bool HeaderWalker::stop(HeaderEnd end, uint64_t offset)
{
    m_end = m_in.failed() ? HeaderEnd::ReadError : end;
    m_endOffset = offset;
    m_started = false;
    return false;
}

bool HeaderWalker::begin(RmFileHeader& header)
{
    ChunkId id;
    if (!m_in.seek(0) || !readChunkId(m_in, id))
        return stop(m_in.size() < 4 ? HeaderEnd::NotRealMedia : HeaderEnd::Cut, 0);
    if (!id.is(kIdFileHeader))
        return stop(HeaderEnd::NotRealMedia, 0);
    if (!readRecord(m_in, header))
        return stop(HeaderEnd::Cut, 0);
    // The ".RMF" chunk has a fixed length; its size field is not needed.
    m_current = {id, 0, kFileHeaderChunkSize};
    m_started = true;
    return true;
}

bool HeaderWalker::next(ChunkPlace& chunk)
{
    if (!m_started)
        return false;
    const uint64_t pos = readByFields(m_current.id) ? m_in.tell() : m_current.offset + m_current.size;
    if (pos == m_in.size())
        return stop(HeaderEnd::EndOfFile, pos);
    ChunkPlace place{{}, pos, 0};
    if (!m_in.seek(pos) || !readChunkId(m_in, place.id))
        return stop(HeaderEnd::Cut, pos);
    if (place.id.is(kIdData))
        return stop(HeaderEnd::Data, pos);
    if (!readRecord(m_in, place.size) || !m_in.seek(pos + kChunkIdSize))
        return stop(HeaderEnd::Cut, pos);
    if (!readByFields(place.id)) {
        if (place.size < kSmallestChunk)
            return stop(HeaderEnd::BadSize, pos);
        if (place.size > m_in.size() - pos)
            return stop(HeaderEnd::Cut, pos);
    }
    m_current = place;
    chunk = place;
    return true;
}

void HeaderWalker::readerStopped()
{
    stop(HeaderEnd::Cut, m_current.offset);
}

void HeaderWalker::resumeAt(uint64_t offset)
{
    // As if a chunk passed over by its size had ended there.
    m_current = {{}, offset, 0};
    m_started = true;
}

}  // namespace rm
