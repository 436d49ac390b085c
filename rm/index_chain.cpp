// Walking the chain of index chunks, with every guard against a chain that lies.
#include "rm/index_chain.h"

#include <algorithm>

#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace rm {

bool IndexChain::next(RmIndexHeader& header)
{
    if (m_pos == 0 || m_pos >= m_in.size() || !m_visited.insert(m_pos).second)
        return false;
    ChunkId id;
    if (!m_in.seek(m_pos) || !readChunkId(m_in, id) || !id.is(kIdIndex) || !readRecord(m_in, header)) {
        m_pos = 0;
        return false;
    }
    m_pos = header.next_index_header;
    return true;
}

uint64_t heldIndexRecords(const InFile& in, const RmIndexHeader& header)
{
    const uint64_t fits = (in.size() - in.tell()) / kIndexEntrySize;
    return std::min<uint64_t>(header.num_indices, fits);
}

}  // namespace rm
