// Writing a packet: from the cursor's window to the run's output, with its
// figures counted; and the RealMedia output's index record for it, pointed
// at its new place or built.
#include <algorithm>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "rm/input_file.h"
#include "rm/output_file.h"

bool RmMuxer::WritePacket(int l, int64_t time)
{
    RunState& run = *m_run;
    Lane& lane = run.lanes[l];
    OutputFile& file = run.file;
    const uint16_t o = lane.out;
    const int64_t fileTime = time - file.base;
    const uint32_t timestamp = static_cast<uint32_t>(std::clamp<int64_t>(fileTime, 0, UINT32_MAX));
    const int cursor = lane.cursor;
    const PacketNode& packet = *m_current[l];
    uint8_t* bytes = run.cursors[cursor].cursor.bytes(packet.offset, packet.header.length, KeepFrom(cursor));
    if (!bytes) {
        // The packet was whole when another cursor found it.
        rm::InFile& source = *m_files[m_sourceFile[l]];
        run.readFailure = source.failed() ? source.readError()
                                          : source.path() + " changed while it was read: a packet found in it is gone";
        return false;
    }
    // Its size counts before the output may change its header.
    const uint32_t length = packet.header.length;
    const uint32_t payload = length - static_cast<uint32_t>(std::min<std::size_t>(rm::packetHeaderSize(bytes), length));
    const bool written = run.output->write({l, o, timestamp, &packet.header, bytes});
    OutputFile::LaneSpan& span = file.lanes[l];
    if (span.packets++ == 0)
        span.first = packet.offset;
    ++lane.written;
    OutputFile::Stream& stream = file.streams[o];
    stream.end = std::max<int64_t>(stream.end, fileTime + lane.usualStep());
    file.written.add(timestamp, length, payload);
    stream.written.add(timestamp, length, payload);
    file.bytes += length;
    run.reader->noteWritten(o, m_sourceFile[l], packet);
    m_current[l].reset();
    ++file.packets;
    ++run.outs[o].packets;
    return written;
}

void RmMuxer::PrepareIndexes(const MuxJob& job)
{
    for (int l = 0; l < m_streamCount; ++l)
        m_run->lanes[l].buildIndex = job.buildIndexes && m_indexTables[l].empty();
}

void RmMuxer::IndexPacket(int l, uint32_t timestamp, const uint8_t* bytes)
{
    RunState& run = *m_run;
    const rm::RmPacketHeader& packet = m_current[l]->header;
    Lane& lane = run.lanes[l];
    OutputFile::Stream& stream = run.file.streams[lane.out];
    OutputStream& out = run.outs[lane.out];
    rm::RmIndexEntry record{};
    record.timestamp = timestamp;
    record.offset = static_cast<uint32_t>(m_out->tell());
    record.packet_count = run.file.packets;

    if (lane.buildIndex) {
        // Video is sought by its keyframes: the first packet of each (its
        // frame's later packets carry the same timestamp). Other streams
        // are sought by the second: the first packet at or after each one.
        bool starts = false;
        if (out.video) {
            starts = rm::isKeyframe(bytes, packet.length) && (!stream.anyIndexed || timestamp != stream.lastTimestamp);
            stream.lastTimestamp = timestamp;
            stream.anyIndexed = true;
        } else if (timestamp >= stream.nextIndexSecond) {
            starts = true;
            stream.nextIndexSecond = (timestamp / 1000 + 1) * 1000;
        }
        if (starts) {
            stream.index.push_back(record);
            ++out.indexBuilt;
        }
        return;
    }

    // The source's records, in timestamp order, are pointed at the packets'
    // new places and times. A record that no written packet of its stream
    // carries is dropped, so that no record points at bytes that are not
    // its packet.
    const std::vector<rm::RmIndexEntry>& table = m_indexTables[l];
    const uint32_t source = packet.timestamp;
    uint32_t& k = lane.indexCursor;
    while (k < table.size() && table[k].timestamp < source) {
        ++k;
        run.progressCount += 1.0f;
    }
    if (k < table.size() && table[k].timestamp == source) {
        record.object_version = table[k].object_version;
        stream.index.push_back(record);
        ++out.indexCopied;
        ++k;
        run.progressCount += 1.0f;
    }
}
