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

DataChunk locateDataChunk(InFile& in, const RmProperties& props, uint64_t walkedTo)
{
    DataChunk data;
    data.offset = props.data_offset;
    if (!dataChunkAt(in, data.offset, data.header)) {
        data.offset = walkedTo;
        if (walkedTo == 0 || !dataChunkAt(in, walkedTo, data.header))
            return {};
    }
    data.found = true;

    const uint64_t fileSize = in.size();
    data.start = data.offset + kDataHeaderChunkSize;
    data.end = fileSize;
    const bool indexAhead = props.index_offset > data.start && props.index_offset < fileSize;
    if (data.header.size > kDataHeaderChunkSize && data.header.size <= fileSize - data.offset) {
        data.end = data.offset + data.header.size;
        const uint64_t runOn = indexAhead && props.index_offset >= data.end ? props.index_offset : fileSize;
        data.runOnEnd = runOn > data.end ? runOn : 0;
    } else if (indexAhead) {
        data.end = props.index_offset;
    }
    data.promisedPackets = data.header.num_packets != 0 ? data.header.num_packets : props.num_packets;
    return data;
}

}  // namespace rm
