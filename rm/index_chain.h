// Walking the chain of index chunks that starts where PROP's index_offset
// points, each chunk naming the next with next_index_header.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "rm/records.h"

namespace rm {

class InFile;

// How a walk of the index chain ended.
enum class IndexEnd {
    Last,         // at a next_index_header (or an index_offset) of 0
    OutsideFile,  // at an offset at or past the end of the file
    Loop,         // at an offset already visited
    NotIndex,     // at a chunk that is not "INDX"
    Cut           // at an "INDX" chunk whose header the file does not hold whole
};

class IndexChain {
public:
    // `first` is the file's index_offset; 0 means the file has no index.
    IndexChain(InFile& in, uint64_t first) : m_in(in), m_pos(first) {}

    // Reads the next chunk's header and leaves the file just after it,
    // where the chunk's records begin. False once the chain has ended: at a
    // next_index_header of 0, and also at an offset outside the file, at one
    // already visited, or at a chunk that is not "INDX" or is cut short;
    // end() and endOffset() then say how and where.
    bool next(RmIndexHeader& header);

    // Where the chunk next() read last starts.
    uint64_t offset() const { return m_offset; }
    IndexEnd end() const { return m_end; }
    // The offset the chain led to last: 0 at its proper end.
    uint64_t endOffset() const { return m_endOffset; }

private:
    bool stop(IndexEnd end, uint64_t offset);

    InFile& m_in;
    uint64_t m_pos;
    uint64_t m_offset = 0;
    IndexEnd m_end = IndexEnd::Last;
    uint64_t m_endOffset = 0;
    std::unordered_set<uint64_t> m_visited;
};

// How many of the chunk's num_indices records the file holds from its
// current position: never more than the bytes that remain.
uint64_t heldIndexRecords(const InFile& in, const RmIndexHeader& header);

}  // namespace rm
