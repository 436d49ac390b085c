#include "rm/data_chunk.h"

#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace rm {

namespace {

bool dataChunkAt(InFile& in, uint64_t at, RmDataHeader& header)
{
    ChunkId id;
    return in.seek(at) && readChunkId(in, id) && id.is(kIdData) && readRecord(in, header);
}

}  // namespace

DataChunk boundDataChunk(uint64_t offset, const RmDataHeader& header, uint64_t fileSize, uint32_t indexOffset)
{
    DataChunk data;
    data.found = true;
    data.offset = offset;
    data.header = header;
    data.start = offset + kDataHeaderChunkSize;
    data.end = fileSize;
    const bool indexAhead = indexOffset > data.start && indexOffset < fileSize;
    if (header.size > kDataHeaderChunkSize && offset <= fileSize && header.size <= fileSize - offset) {
        data.end = offset + header.size;
        const uint64_t runOn = indexAhead && indexOffset >= data.end ? indexOffset : fileSize;
        data.runOnEnd = runOn > data.end ? runOn : 0;
    } else if (indexAhead) {
        data.end = indexOffset;
    }
    return data;
}

DataChunk locateDataChunk(InFile& in, const RmProperties& props, uint64_t walkedTo)
{
    RmDataHeader header;
    uint64_t offset = props.data_offset;
    if (!dataChunkAt(in, offset, header)) {
        offset = walkedTo;
        if (walkedTo == 0 || !dataChunkAt(in, walkedTo, header))
            return {};
    }
    return boundDataChunk(offset, header, in.size(), props.index_offset);
}

}  // namespace rm
