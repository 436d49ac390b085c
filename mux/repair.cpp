// Repair: reading a damaged source with a tolerant reader. Where its packets
// stop holding together, the cursor is moved on to the next place where
// they do (rm/packet_resync.h), the region passed over is recorded, and the
// one packet loop goes on; the output is written, indexed and finished as
// any merge's.
#include <algorithm>
#include <cstring>

#include "mux/rm_muxer.h"
#include "rm/chunk_ids.h"
#include "rm/data_chunk.h"

namespace {

bool allZero(const uint8_t* bytes, std::size_t n)
{
    return std::all_of(bytes, bytes + n, [](uint8_t b) { return b == 0; });
}

}  // namespace

std::string RmMuxer::LocateDamagedData(uint16_t f, const HeaderWalk& walk)
{
    const uint64_t fileSize = m_in->size();
    rm::PacketExpectations& expect = m_expect[f];
    expect = {};
    expect.end = fileSize;
    for (const SeenStream& stream : walk.streams)
        expect.streams.push_back({stream.number, std::nullopt});
    // Damage may hide twice the time its bytes would hold at the average rate.
    const uint32_t avgBitRate = m_props.avg_bit_rate;
    expect.bytesPerSecond = avgBitRate / 16;

    // The data chunk where the headers or the walk put it; else the first
    // "DATA" id after the header section that packets follow; else, with
    // its header gone, the first packets that hold together.
    // (After the last header chunk read: an id the walk did not know may be
    // the data chunk's, damaged, with its size leading anywhere.)
    uint64_t headersEnd = 0;
    for (const WalkedChunk& chunk : walk.chunks)
        if (chunk.place.id.is(rm::kIdProperties) || chunk.place.id.is(rm::kIdMediaProperties)
            || chunk.place.id.is(rm::kIdContent))
            headersEnd = std::max(headersEnd, chunk.end);
    if (headersEnd == 0 || walk.end == rm::HeaderEnd::Data)
        headersEnd = walk.endOffset;
    const rm::DataChunk data =
        rm::locateDataChunk(*m_in, m_props, walk.end == rm::HeaderEnd::Data ? walk.endOffset : 0);
    uint64_t start = 0;
    rm::DataChunk chunk;
    if (!m_in->failed() && data.found) {
        start = data.start;
        chunk = data;
    } else if (const auto chunk = m_in->failed() ? std::nullopt : rm::findDataChunk(*m_in, headersEnd, expect)) {
        start = *chunk + rm::kDataHeaderChunkSize;
    } else if (const auto first = m_in->failed() ? std::nullopt : rm::findNextPacket(*m_in, headersEnd, expect)) {
        start = *first;
        RecordSkip(f, headersEnd, start);
    }
    if (m_in->failed())
        return m_in->readError();
    if (start == 0) {
        m_dataStart[f] = 0;
        m_dataWalk[f] = {};
        m_sourceEnded[f] = true;
        return {};
    }
    // Its size and count are not trusted: packets are read to the end of
    // the file, or to the first chunk that follows them.
    m_hasDataChunk[f] = true;
    m_dataStart[f] = start;
    m_packetsPromised[f] = m_props.num_packets;
    chunk.found = true;
    chunk.start = start;
    chunk.end = fileSize;
    chunk.runOnEnd = 0;
    m_dataWalk[f] = rm::DataWalk(chunk, fileSize, 0);
    return {};
}

bool RmMuxer::Resynchronise(uint16_t f, SourceCursor& reader)
{
    const uint64_t at = reader.endPlace();
    rm::InFile& file = *m_files[f];
    // A stretch another cursor of this source passed over already.
    for (const Skip& skip : m_skips)
        if (skip.file == f && skip.from == at) {
            reader.resume(skip.to);
            return true;
        }
    // The end of the file, or a chunk that follows the data: it has ended.
    // Zeros may be an end marker, or a hole in the data.
    if (reader.end() == rm::PacketStart::EndOfData) {
        uint8_t bytes[rm::kPacketHeaderSize];
        const std::size_t got = file.readAt(bytes, sizeof bytes, at);
        if (file.failed()) {
            m_readFailure = file.readError();
            return false;
        }
        if (got < sizeof bytes || !allZero(bytes, got))
            return false;
    }
    const std::optional<uint64_t> next = SearchFrom(f, at + 1);
    if (file.failed()) {
        m_readFailure = file.readError();
        return false;
    }
    if (next) {
        RecordSkip(f, at, *next);
        reader.resume(*next);
        return true;
    }
    // Nothing after it holds together: the rest of the data is lost, unless
    // it was an end marker of zeros.
    if (reader.end() != rm::PacketStart::EndOfData)
        RecordSkip(f, at, m_expect[f].end);
    return false;
}

bool RmMuxer::RepairTakes(uint16_t f, SourceCursor& reader, const rm::RmPacketHeader& header, uint64_t offset,
                         uint64_t keepFrom)
{
    const uint64_t next = offset + header.length;
    const uint64_t end = m_expect[f].end;
    if (next >= end)
        return true;
    const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(rm::kPacketHeaderSize, end - next));
    const uint8_t* bytes = reader.bytes(next, n, keepFrom);
    if (!bytes)
        return true;  // the file ends there: the next step tells
    rm::RmPacketHeader after;
    if (n == rm::kPacketHeaderSize && plausiblePacket(bytes, next, 0, m_expect[f], after))
        return true;
    if (n >= rm::kChunkIdSize && rm::chunkFollowsData(bytes))
        return true;
    // No packet follows it: either its length is wrong, and packets go on
    // inside the bytes it claims, or the damage starts right after it.
    rm::InFile& file = *m_files[f];
    const std::optional<uint64_t> resume = SearchFrom(f, offset + 1);
    if (file.failed() || !resume || *resume >= next)
        return true;
    RecordSkip(f, offset, *resume);
    reader.resume(*resume);
    return false;
}

std::optional<uint64_t> RmMuxer::SearchFrom(uint16_t f, uint64_t from)
{
    // A packet that no packet follows is searched past twice: from inside
    // it, then from its end. The second search takes the first's answer.
    const std::optional<Search>& last = m_lastSearch[f];
    if (last && last->from <= from && last->found && *last->found >= from)
        return last->found;
    const std::optional<uint64_t> found = rm::findNextPacket(*m_files[f], from, m_expect[f]);
    m_lastSearch[f] = Search{from, found};
    return found;
}

void RmMuxer::RecordSkip(uint16_t f, uint64_t from, uint64_t to)
{
    for (const Skip& skip : m_skips)
        if (skip.file == f && skip.from == from)
            return;
    Skip skip;
    skip.file = f;
    skip.from = from;
    skip.to = to;
    skip.streamBefore = m_lastStreamRead[f];
    uint8_t header[rm::kPacketHeaderSize];
    if (to < m_files[f]->size() && m_files[f]->readAt(header, sizeof header, to) == sizeof header)
        skip.streamAfter = static_cast<uint16_t>(header[4] << 8 | header[5]);
    m_skips.push_back(skip);
}

void RmMuxer::NoteRepairedPacket(int o)
{
    const uint64_t offset = m_current[o].offset;
    const uint32_t timestamp = m_current[o].header.timestamp;
    bool crossed = false;
    for (std::size_t& k = m_skipsPassed[o]; k < m_skips.size() && m_skips[k].to <= offset; ++k) {
        Skip& skip = m_skips[k];
        if (skip.file != m_sourceFile[o])
            continue;
        skip.before[o] = m_lastWritten[o];
        skip.after[o] = timestamp;
        crossed = true;
    }
    if (!crossed && m_lastWritten[o] && timestamp > *m_lastWritten[o])
        m_largestStep[o] = std::max(m_largestStep[o], timestamp - *m_lastWritten[o]);
    m_lastWritten[o] = timestamp;
}

void RmMuxer::ReportDamage(MuxJob& job) const
{
    job.damage.clear();
    for (std::size_t k = 0; k < m_skips.size(); ++k) {
        const Skip& skip = m_skips[k];
        DamagedRegion region;
        region.path = m_files[skip.file] ? m_files[skip.file]->path() : std::string();
        region.first = skip.from;
        region.end = skip.to;
        region.skipped = skip.to - skip.from;
        // A stream lost packets around the region when it has packets on
        // one side of it only, when its packets on either side lie further
        // apart than any two of its packets elsewhere, or when it has the
        // packet right before or right after the region, whose neighbours
        // the region most likely held (a frame's packets come in a run).
        for (int o = 0; o < m_streamCount; ++o) {
            if (m_sourceFile[o] != skip.file)
                continue;
            const bool passed = k < m_skipsPassed[o];
            const std::optional<uint32_t> before = passed ? skip.before[o] : m_lastWritten[o];
            const std::optional<uint32_t> after = passed ? skip.after[o] : std::nullopt;
            const uint16_t number = m_sourceStream[o];
            const bool lost = !before || !after || (*after > *before && *after - *before > m_largestStep[o])
                              || skip.streamBefore == number || skip.streamAfter == number;
            // A damaged data chunk header before the first packet held none.
            if (skip.to == m_dataStart[skip.file] && region.skipped <= rm::kDataHeaderChunkSize)
                continue;
            if (lost)
                region.streams.push_back(static_cast<uint16_t>(o));
        }
        job.damage.push_back(std::move(region));
    }
    std::sort(job.damage.begin(), job.damage.end(),
              [](const DamagedRegion& a, const DamagedRegion& b) { return a.first < b.first; });
}
