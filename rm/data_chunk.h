// Finding a file's data chunk, and the bytes its packets may lie in.
#pragma once

#include <cstdint>

#include "rm/records.h"

namespace rm {

class InFile;

struct DataChunk {
    bool found = false;  // a "DATA" id with its whole header
    uint64_t offset = 0;  // where the chunk starts
    RmDataHeader header{};
    uint64_t start = 0;  // the first packet
    uint64_t end = 0;    // no packet may reach past this
    // Where packets found right at `end` may run on to (the file's end, or
    // the index before it), when `end` came from the chunk's size field; 0
    // otherwise. A size too small must not lose the packets after it.
    uint64_t runOnEnd = 0;
};

// The data chunk stands where PROP's data_offset points or, when no "DATA"
// id stands there, at `walkedTo` (where the walk of the header section met
// a "DATA" id; 0 when it met none). Packets are read only inside the data
// chunk and inside the file: a size of 0, or of the header alone, is what a
// writer that could not seek back leaves, and its packets then run on to
// the next chunk or the end of the file.
DataChunk locateDataChunk(InFile& in, const RmProperties& props, uint64_t walkedTo);

// The bounds of the data chunk whose header stands at `offset`, by the
// rules above: `indexOffset` (PROP's) ends a chunk that gives no size when
// the index follows it, and nothing reaches past `fileSize`.
DataChunk boundDataChunk(uint64_t offset, const RmDataHeader& header, uint64_t fileSize, uint32_t indexOffset);

}  // namespace rm
