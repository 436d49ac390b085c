// The one walk of a source's header section, shared by Scan and the merge,
// so that both read a file alike.
#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"
#include "rm/input_file.h"

bool HeaderWalk::usable(uint32_t dataOffset, uint64_t fileSize) const
{
    if (!sawProperties)
        return false;
    return end == rm::HeaderEnd::Data || dataAtOffset || (end == rm::HeaderEnd::EndOfFile && dataOffset < fileSize);
}

HeaderWalk RmMuxer::WalkHeaderSection(uint16_t file, bool mergeMode)
{
    HeaderWalk walk;
    rm::HeaderWalker walker(*m_in);
    if (!walker.begin(m_fileHeader)) {
        walk.end = walker.end();
        return walk;
    }
    m_headerCount = static_cast<uint16_t>(m_fileHeader.num_headers & 0xFFFF);
    rm::ChunkPlace chunk;
    while (walker.next(chunk)) {
        bool whole = true;
        if (chunk.id.is(rm::kIdProperties)) {
            whole = ReadProperties();
            walk.sawProperties = walk.sawProperties || whole;
        } else if (chunk.id.is(rm::kIdContent)) {
            whole = ReadContent();
        } else if (chunk.id.is(rm::kIdMediaProperties)) {
            const StreamTake take = ReadStreamHeader(file, mergeMode);
            whole = take != StreamTake::Short;
            if (take == StreamTake::TooLarge || take == StreamTake::NoRoom) {
                walk.refused = take;
                walk.endOffset = chunk.offset;
                return walk;
            }
        }
        if (!whole)
            walker.readerStopped();
    }
    walk.end = walker.end();
    walk.endOffset = walker.endOffset();
    // Stopped short of the "DATA" id: the data chunk may still stand where
    // data_offset points, past bytes that are no chunk.
    if (walk.end != rm::HeaderEnd::Data && walk.end != rm::HeaderEnd::ReadError && walk.sawProperties) {
        rm::ChunkId id;
        walk.dataAtOffset = m_in->seek(m_props.data_offset) && rm::readChunkId(*m_in, id) && id.is(rm::kIdData);
        if (m_in->failed())
            walk.end = rm::HeaderEnd::ReadError;
    }
    return walk;
}
