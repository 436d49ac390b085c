// Walking the chain of index chunks that starts where PROP's index_offset
// points, each chunk naming the next with next_index_header.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "rm/records.h"

namespace rm {

class InFile;

class IndexChain {
public:
    // `first` is the file's index_offset; 0 means the file has no index.
    IndexChain(InFile& in, uint64_t first) : m_in(in), m_pos(first) {}

    // Reads the next chunk's header and leaves the file just after it,
    // where the chunk's records begin. False once the chain has ended: at a
    // next_index_header of 0, and also at an offset outside the file, at one
    // already visited, or at a chunk that is not "INDX" or is cut short.
    bool next(RmIndexHeader& header);

private:
    InFile& m_in;
    uint64_t m_pos;
    std::unordered_set<uint64_t> m_visited;
};

// How many of the chunk's num_indices records the file holds from its
// current position: never more than the bytes that remain.
uint64_t heldIndexRecords(const InFile& in, const RmIndexHeader& header);

}  // namespace rm
