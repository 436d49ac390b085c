#include "rm/header_walker.h"

#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace rm {

namespace {

// Every chunk holds at least its id, its size and its object_version.
constexpr uint32_t kSmallestChunk = 10;

}  // namespace

bool readByFields(const ChunkId& id)
{
    return id.is(kIdProperties) || id.is(kIdMediaProperties) || id.is(kIdContent);
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

}  // namespace rm
