// The merge run: the worker entry, the reset, the header pass over every
// source with the selection applied, and the output's header section.
#include <algorithm>
#include <cstring>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/index_chain.h"

unsigned MuxWorker(void* job)
{
    auto* muxJob = static_cast<MuxJob*>(job);
    muxJob->muxer->Run(*muxJob);
    return 1;
}

void RmMuxer::Run(MuxJob& job)
{
    job.outcome = MuxOutcome::NotRun;
    job.error.clear();
    Reset(job);
    m_addHelper = job.addHelper;

    std::string error;
    for (uint16_t f = 0; f < m_fileCount && error.empty(); ++f)
        if (!m_removed[f])
            error = ReadSourceHeaders(f);
    if (error.empty())
        error = CheckSelection();
    if (error.empty())
        error = CreateOutput();
    if (error.empty())
        error = WriteHeaderSection();
    if (!error.empty())
        return Fail(job, error);

    switch (PacketLoop()) {
    case LoopEnd::Cancelled:
        AbortMerge();
        g_stop = 0;
        job.outcome = MuxOutcome::Cancelled;
        return;
    case LoopEnd::Failed:
        return Fail(job, "Cannot write the output file: " + m_out->error());
    case LoopEnd::Finished:
        break;
    }

    error = Complete();
    if (!error.empty())
        return Fail(job, error);
    job.outcome = MuxOutcome::Completed;
    g_progress = kProgressDone;
    g_stop = 1;
}

void RmMuxer::Reset(const MuxJob& job)
{
    m_streamCount = 0;
    std::memcpy(m_selected, job.selection, sizeof m_selected);
    m_merged = {};
    std::fill(std::begin(m_streamDone), std::end(m_streamDone), uint8_t{0});
    for (auto& current : m_current)
        current.reset();
    m_addHelper = false;
    m_indexTotal = 0;

    std::fill(std::begin(m_streamMap), std::end(m_streamMap), kNoStream);
    for (auto& table : m_indexTables)
        table.clear();
    for (auto& queue : m_queues)
        queue.init();
    std::fill(std::begin(m_packetsLeft), std::end(m_packetsLeft), 0u);
    m_bytesTotal = m_bytesDone = 0;

    // Chunks the output always carries start out empty, for sources that
    // lack them; the writers give each chunk the size of what it holds.
    m_fileHeader = {};
    m_props = {};
    m_content = {};
    m_dataHeader = {};
    m_dataHeader.size = rm::kDataHeaderChunkSize;
}

std::string RmMuxer::ReadSourceHeaders(uint16_t f)
{
    m_in = m_files[f].get();
    if (!m_in || !m_in->isOpen())
        return "A source file is no longer open; add the files again";
    const std::string cut = "Cannot read the header section of " + m_in->path() + "; has the file changed?";

    rm::ChunkId id;
    if (!m_in->seek(0) || !rm::readChunkId(*m_in, id) || !rm::readRecord(*m_in, m_fileHeader))
        return cut;
    m_headerCount = static_cast<uint16_t>(m_fileHeader.num_headers & 0xFFFF);

    bool sawProperties = false;
    for (int pass = 1; pass < m_headerCount; ++pass) {
        if (!rm::readChunkId(*m_in, id))
            return cut;
        if (id.is(rm::kIdProperties)) {
            if (!ReadProperties())
                return cut;
            sawProperties = true;
        } else if (id.is(rm::kIdMediaProperties)) {
            switch (ReadStreamHeader(f, true)) {
            case StreamTake::Short:
                return cut;
            case StreamTake::TooLarge:
                return m_in->path() + ": a selected stream has more than 2048 bytes of codec data";
            case StreamTake::NoRoom:
                return "More than 10 streams are selected; a merge holds at most 10";
            case StreamTake::Taken:
            case StreamTake::NotTaken:
                break;
            }
        } else if (id.is(rm::kIdContent)) {
            if (!ReadContent())
                return cut;
        }
        // Any other id, DATA included, is passed over as Scan passes it
        // over, so that every file Scan accepted is walked to its end here
        // too. The data chunk's header is read where data_offset points.
    }
    if (!sawProperties)
        return m_in->path() + " has no properties chunk";

    m_packetsLeft[f] = m_props.num_packets;

    // Merged file properties; the averages are a quarter of the running sum.
    // (Fields of the packed images are copied out, never bound to references.)
    const uint32_t maxBitRate = m_props.max_bit_rate;
    const uint32_t maxPacketSize = m_props.max_packet_size;
    const uint32_t duration = m_props.duration;
    m_merged.maxBitRate = std::max(m_merged.maxBitRate, maxBitRate);
    m_merged.avgBitRate = (m_merged.avgBitRate + m_props.avg_bit_rate) >> 2;
    m_merged.maxPacketSize = std::max(m_merged.maxPacketSize, maxPacketSize);
    m_merged.avgPacketSize = (m_merged.avgPacketSize + m_props.avg_packet_size) >> 2;
    m_merged.duration = std::max(m_merged.duration, duration);

    LoadIndexes(f);
    LocateData(f);
    return {};
}

void RmMuxer::LoadIndexes(uint16_t f)
{
    bool loaded[kMaxStreams] = {};
    rm::IndexChain chain(*m_in, m_props.index_offset);
    rm::RmIndexHeader header;
    while (chain.next(header)) {
        const uint16_t number = header.stream_number;
        if (!Taken(f, number))
            continue;
        const uint16_t o = m_streamMap[f * 10 + number];
        // A stream's first index chunk is the one kept.
        if (loaded[o])
            continue;
        loaded[o] = true;

        // Never trust num_indices beyond the bytes the file still holds.
        std::vector<rm::RmIndexEntry>& table = m_indexTables[o];
        table.resize(static_cast<std::size_t>(rm::heldIndexRecords(*m_in, header)));
        std::size_t read = 0;
        while (read < table.size() && rm::readRecord(*m_in, table[read]))
            ++read;
        table.resize(read);

        // The chunk as it will be written: its own number, and a size that
        // matches the records it carries, so the next_index_header chain holds.
        header.num_indices = static_cast<uint32_t>(read);
        header.size = rm::kIndexHeaderChunkSize + rm::kIndexEntrySize * header.num_indices;
        header.stream_number = o;
        m_indexHeaders[o] = header;
        m_indexTotal += static_cast<float>(header.num_indices);
    }
}

void RmMuxer::LocateData(uint16_t f)
{
    // Packets are read only inside the data chunk and inside the file.
    const uint64_t fileSize = m_in->size();
    const uint64_t dataOffset = m_props.data_offset;
    rm::ChunkId id;
    rm::RmDataHeader header;
    if (!m_in->seek(dataOffset) || !rm::readChunkId(*m_in, id) || !id.is(rm::kIdData)
        || !rm::readRecord(*m_in, header)) {
        m_packetsLeft[f] = 0;
        m_dataStart[f] = m_dataEnd[f] = dataOffset;
        return;
    }
    m_dataHeader = header;
    uint64_t end = fileSize;
    if (header.size >= rm::kDataHeaderChunkSize && dataOffset + header.size <= fileSize)
        end = dataOffset + header.size;
    else if (m_props.index_offset > dataOffset + rm::kDataHeaderChunkSize && m_props.index_offset < fileSize)
        end = m_props.index_offset;
    m_dataStart[f] = dataOffset + rm::kDataHeaderChunkSize;
    m_dataEnd[f] = end;
}

std::string RmMuxer::CheckSelection() const
{
    if (m_addHelper && m_streamCount > kMaxStreams - 1)
        return "More than 9 streams are selected; with the helper stream a merge holds at most 9";
    return {};
}

std::string RmMuxer::WriteHeaderSection()
{
    m_props.num_streams = m_streamCount;
    m_props.avg_bit_rate = m_merged.avgBitRate;
    m_props.avg_packet_size = m_merged.avgPacketSize;
    m_props.max_bit_rate = m_merged.maxBitRate;
    m_props.max_packet_size = m_merged.maxPacketSize;
    m_props.duration = m_merged.duration;
    m_dataHeader.num_packets = m_props.num_packets;

    WriteFileHeader();
    WriteProperties(true);
    WriteStreamHeaders();
    WriteContent();
    m_props.data_offset = static_cast<uint32_t>(m_out->tell());
    WriteDataHeader(true);

    for (int i = 0; i < m_streamCount; ++i)
        m_queues[i].init();
    std::fill(std::begin(m_cursor), std::end(m_cursor), 0u);
    m_packetsWritten = 0;
    m_progressCount = 0;
    g_progress = 0;

    // Progress by bytes stands in when no selected stream has index records.
    for (uint16_t f = 0; f < m_fileCount; ++f)
        if (std::any_of(m_sourceFile, m_sourceFile + m_streamCount, [f](uint16_t s) { return s == f; }))
            m_bytesTotal += m_dataEnd[f] - m_dataStart[f];

    if (m_out->failed())
        return "Cannot write the output file: " + m_out->error();
    return {};
}
