// Walking the chain of index chunks, with every guard against a chain that lies.
#include "rm/index_chain.h"

#include <algorithm>

#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace rm {

bool IndexChain::stop(IndexEnd end, uint64_t offset)
{
    m_end = end;
    m_endOffset = offset;
    m_pos = 0;
    return false;
}

bool IndexChain::next(RmIndexHeader& header)
{
    if (m_pos == 0)
        return false;
    const uint64_t at = m_pos;
    if (at >= m_in.size())
        return stop(IndexEnd::OutsideFile, at);
    if (!m_visited.insert(at).second)
        return stop(IndexEnd::Loop, at);
    ChunkId id;
    if (!m_in.seek(at) || !readChunkId(m_in, id))
        return stop(IndexEnd::Cut, at);
    if (!id.is(kIdIndex))
        return stop(IndexEnd::NotIndex, at);
    if (!readRecord(m_in, header))
        return stop(IndexEnd::Cut, at);
    m_offset = at;
    m_pos = header.next_index_header;
    return true;
}

uint64_t heldIndexRecords(const InFile& in, const RmIndexHeader& header)
{
    const uint64_t fits = (in.size() - in.tell()) / kIndexEntrySize;
    return std::min<uint64_t>(header.num_indices, fits);
}

}  // namespace rm
