// The plain reader: a source's data where its headers put it.
#include "mux/source_reader.h"
#include "rm/data_chunk.h"
#include "rm/input_file.h"

std::string PlainReader::locateData(uint16_t, rm::InFile& in, const rm::RmProperties& props, const HeaderWalk& walk,
                                    Source& source, rm::RmDataHeader& dataHeader)
{
    const rm::DataChunk data =
        rm::locateDataChunk(in, props, walk.end == rm::HeaderEnd::Data ? walk.endOffset : 0);
    if (in.failed())
        return in.readError();
    if (!data.found) {
        // A file without one has no packets.
        source.ended = true;
        return {};
    }
    source.hasDataChunk = true;
    dataHeader = data.header;
    source.dataStart = data.start;
    source.dataWalk = rm::DataWalk(data, in.size(), props.index_offset);
    source.packetsPromised = props.num_packets;
    return {};
}

std::string PlainReader::noPackets(const std::string& path, bool hasDataChunk) const
{
    return path + (hasDataChunk ? " holds no packets: its data chunk is empty"
                                : " holds no packets: it has no whole data chunk");
}
