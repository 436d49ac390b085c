// Interleaving the chosen streams' packets by timestamp, and pointing their
// index records at the packets' new positions.
#include <algorithm>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"
#include "rm/chunk_writers.h"
#include "rm/packet_start.h"

void RmMuxer::FetchPacket(int pos)
{
    if (!m_queues[pos].isEmpty()) {
        m_current[pos] = m_queues[pos].pop();
        return;
    }
    const uint16_t f = m_sourceFile[pos];
    rm::InFile& in = *m_files[f];
    rm::RmPacketHeader header;
    while (NextPacketHeader(f, header)) {
        const uint32_t payload = header.length - rm::kPacketHeaderSize;
        const uint16_t number = header.stream_number;
        if (!Taken(f, number)) {
            in.skip(payload);
            continue;
        }
        auto node = std::make_unique<PacketNode>();
        node->body = std::make_unique_for_overwrite<uint8_t[]>(payload);
        if (in.read(node->body.get(), payload) != payload) {
            // The packet lay whole inside the file when it was opened.
            if (in.failed())
                m_readFailure = in.readError();
            EndSource(f, in.tell(), "the file ended inside a packet while the merge read it");
            break;
        }
        const uint16_t o = m_streamMap[f * 10 + number];
        header.stream_number = o;
        node->header = header;
        if (o == pos) {
            m_current[pos] = std::move(node);
            return;
        }
        m_queues[o].push(std::move(node));
    }
    m_streamDone[pos] = 1;
}

bool RmMuxer::NextPacketHeader(uint16_t f, rm::RmPacketHeader& header)
{
    if (m_sourceEnded[f])
        return false;
    rm::InFile& in = *m_files[f];
    const uint64_t start = in.tell();
    const uint64_t room = m_dataEnd[f] - std::min(start, m_dataEnd[f]);
    uint8_t bytes[rm::kPacketHeaderSize];
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(room, sizeof bytes));
    const std::size_t got = in.read(bytes, want);
    if (in.failed()) {
        m_readFailure = in.readError();
        EndSource(f);
        return false;
    }
    // A packet is taken only whole and inside the data chunk; anything
    // else ends the source, so no byte that was not read is ever written.
    switch (rm::classifyPacket(bytes, got, got < want ? got : room, header)) {
    case rm::PacketStart::Packet:
        ++m_packetsFound[f];
        m_bytesDone += header.length;
        return true;
    case rm::PacketStart::EndOfData:
        EndSource(f);
        break;
    case rm::PacketStart::Cut:
        EndSource(f, start, "the data ends inside a packet");
        break;
    case rm::PacketStart::Damaged:
        EndSource(f, start,
                  "a packet header gives a length of " + std::to_string(header.length) + " bytes, too short to be right");
        break;
    }
    return false;
}

void RmMuxer::EndSource(uint16_t f, uint64_t damagedAt, const std::string& damage)
{
    if (m_sourceEnded[f])
        return;
    m_sourceEnded[f] = true;
    if (!m_readFailure.empty())
        return;
    // The data was read as far as it holds together: what was found is
    // checked against the count its headers give, which never ended it.
    const uint32_t promised = m_packetsPromised[f];
    const uint32_t found = m_packetsFound[f];
    const std::string counted = std::to_string(promised) + " packets";
    if (!damage.empty())
        Warn(f, damagedAt,
             damage + "; the " + std::to_string(found) + " packets before it were copied"
                 + (promised > found ? ", of the " + counted + " its headers count" : ""));
    else if (promised != 0 && found > promised)
        Warn(f, m_dataStart[f],
             "the headers count " + counted + ", but the data chunk holds " + std::to_string(found)
                 + "; all of them were read");
    else if (promised != 0 && found < promised)
        Warn(f, m_dataStart[f],
             "the headers count " + counted + ", but only " + std::to_string(found)
                 + " were found; the file may be cut short or damaged");
}

void RmMuxer::Warn(uint16_t f, uint64_t offset, const std::string& text)
{
    m_warnings.push_back({m_files[f]->path(), offset, text});
}

RmMuxer::LoopEnd RmMuxer::PacketLoop()
{
    for (;;) {
        int chosen = -1;
        for (int i = 0; i < m_streamCount; ++i) {
            if (m_streamDone[i])
                continue;
            if (!m_current[i])
                FetchPacket(i);
            if (!m_readFailure.empty())
                return LoopEnd::Failed;
            if (m_streamDone[i])
                continue;
            // Among equal timestamps the lowest output stream number wins.
            if (chosen < 0 || m_current[i]->header.timestamp < m_current[chosen]->header.timestamp)
                chosen = i;
        }
        if (chosen < 0)
            return LoopEnd::Finished;

        MatchIndex(chosen);
        const PacketNode& packet = *m_current[chosen];
        rm::writeRecord(*m_out, packet.header);
        m_out->write(packet.body.get(), packet.payloadSize());
        m_current[chosen].reset();
        ++m_packetsWritten;
        ++m_packetsCopied[chosen];
        if (m_out->failed())
            return LoopEnd::Failed;
        ReportProgress();
        if (g_stop)
            return LoopEnd::Cancelled;
    }
}

void RmMuxer::MatchIndex(int c)
{
    std::vector<rm::RmIndexEntry>& table = m_indexTables[c];
    uint32_t& k = m_cursor[c];
    if (k >= table.size() || table[k].timestamp != m_current[c]->header.timestamp)
        return;
    table[k].offset = static_cast<uint32_t>(m_out->tell());
    table[k].packet_count = m_packetsWritten;
    ++k;
    m_progressCount += 1.0f;
}

void RmMuxer::ReportProgress()
{
    if (m_indexTotal > 0)
        g_progress = static_cast<int32_t>(m_progressCount / m_indexTotal * 100.0f);
    else if (m_bytesTotal > 0)
        g_progress = static_cast<int32_t>(std::min<uint64_t>(m_bytesDone * 100 / m_bytesTotal, 100));
}
