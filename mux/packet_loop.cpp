// Interleaving the chosen streams' packets by timestamp, and pointing their
// index records at the packets' new positions.
#include <algorithm>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"
#include "rm/chunk_writers.h"

void RmMuxer::FetchPacket(int pos)
{
    if (!m_queues[pos].isEmpty()) {
        m_current[pos] = m_queues[pos].pop();
        return;
    }
    const uint16_t f = m_sourceFile[pos];
    rm::InFile& in = *m_files[f];
    while (m_packetsLeft[f] > 0) {
        // A packet is taken only whole and inside the data chunk; anything
        // else ends the source, so no byte that was not read is ever written.
        const uint64_t start = in.tell();
        rm::RmPacketHeader header;
        if (start + rm::kPacketHeaderSize > m_dataEnd[f] || !rm::readRecord(in, header)
            || header.length < rm::kPacketHeaderSize || start + header.length > m_dataEnd[f]) {
            EndSource(f);
            break;
        }
        --m_packetsLeft[f];
        m_bytesDone += header.length;
        const uint32_t payload = header.length - rm::kPacketHeaderSize;

        const uint16_t number = header.stream_number;
        if (!Taken(f, number)) {
            in.skip(payload);
            continue;
        }
        auto node = std::make_unique<PacketNode>();
        node->body = std::make_unique_for_overwrite<uint8_t[]>(payload);
        if (in.read(node->body.get(), payload) != payload) {
            EndSource(f);
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

void RmMuxer::EndSource(uint16_t f)
{
    m_packetsLeft[f] = 0;
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
