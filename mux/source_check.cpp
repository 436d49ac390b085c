// Checking a RealMedia file as the merge reads a source: the one header
// walk, the data chunk where the merge finds it, its packets by the
// merge's packet reader, and the index chain; and judging what they hold.
#include "mux/source_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>

#include "mux/rm_muxer.h"
#include "mux/source_details.h"
#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/data_chunk.h"
#include "rm/data_walk.h"
#include "rm/index_chain.h"
#include "rm/input_file.h"
#include "rm/packet_reader.h"

namespace {

using rm::formatOffset;

// How far past the last packet an end marker of zeros is looked for.
constexpr std::size_t kEndMarkerSearch = 4096;

std::string byteAt(uint64_t offset)
{
    return "byte " + formatOffset(offset);
}

// A refusal's words open a sentence; a problem's follow its place.
std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

class Checker {
public:
    Checker(rm::InFile& in, SourceCheck& result, const PacketVisitor& visit, const std::atomic<uint8_t>* stop)
        : m_in(in), m_result(result), m_visit(visit), m_stop(stop), m_muxer(std::make_unique<RmMuxer>())
    {
    }

    void run();

private:
    void problem(ProblemKind kind, uint64_t offset, std::string text)
    {
        m_result.problems.push_back({kind, offset, std::move(text)});
    }
    // True once a read has failed, which is then a problem of its own.
    bool readFailed();
    StreamCheck* stream(uint16_t number);
    void checkHeaderChunks();
    void locateData();
    void readIndex();
    // False when the visitor stopped the reading.
    bool readPackets();
    // Ties the index records pointing at this packet of stream `s` to it.
    void matchRecords(uint64_t offset, uint16_t number, uint32_t timestamp, uint32_t packet, StreamCheck& s);
    void checkCounts(const std::vector<rm::DataChunkRead>& chunks, uint32_t found);
    void checkNextDataHeaders(const std::vector<rm::DataChunkRead>& chunks);
    void checkDataEnd(const rm::DataChunk& last, uint64_t stop);
    void checkRecordsAndStreams();

    rm::InFile& m_in;
    SourceCheck& m_result;
    const PacketVisitor& m_visit;
    const std::atomic<uint8_t>* m_stop;
    // The merge's own walk of the header section, in a muxer of its own.
    std::unique_ptr<RmMuxer> m_muxer;
    HeaderWalk m_walk;
    uint64_t m_propOffset = 0;
    std::vector<uint64_t> m_streamOffsets;  // of each stream's header
    bool m_noUsableStream = false;
    bool m_readFailed = false;
    rm::DataChunk m_data;
    std::unordered_map<uint64_t, std::vector<std::size_t>> m_recordsAt;
};

bool Checker::readFailed()
{
    if (!m_in.failed())
        return false;
    if (!m_readFailed)
        problem(ProblemKind::ReadError, m_in.failedAt(), "the file could not be read: " + m_in.failure());
    m_readFailed = true;
    return true;
}

StreamCheck* Checker::stream(uint16_t number)
{
    for (StreamCheck& s : m_result.streams)
        if (s.number == number)
            return &s;
    return nullptr;
}

void Checker::run()
{
    m_result.size = m_in.size();
    m_muxer->m_in = &m_in;
    // In merge mode with nothing selected the walk reads every stream
    // header and takes none, so that no limit of a merge stops it.
    m_walk = m_muxer->WalkHeaderSection(0, true, damageEndsWalk());
    if (m_walk.end == rm::HeaderEnd::ReadError) {
        readFailed();
        return;
    }
    for (const WalkedChunk& chunk : m_walk.chunks) {
        // The walk keeps the figures of the last properties chunk it reads.
        if (chunk.place.id.is(rm::kIdProperties))
            m_propOffset = chunk.place.offset;
        if (chunk.place.id.is(rm::kIdMediaProperties))
            m_streamOffsets.push_back(chunk.place.offset);
    }
    m_result.texts = ReadTexts(*m_muxer);
    for (const SeenStream& seen : m_walk.streams)
        m_result.streams.push_back({.number = seen.number, .mime = seen.mime, .durationMs = seen.duration});

    const uint32_t dataOffset = m_muxer->m_props.data_offset;
    const std::string refusal = m_walk.refusal(dataOffset, m_in.size());
    if (!m_walk.usable(dataOffset, m_in.size())) {
        problem(ProblemKind::Refused, m_walk.endOffset, lowerFirst(refusal));
        return;
    }
    if (!refusal.empty()) {
        m_noUsableStream = true;
        problem(ProblemKind::Refused, m_streamOffsets.empty() ? m_walk.endOffset : m_streamOffsets.front(),
                lowerFirst(refusal));
    }
    checkHeaderChunks();
    locateData();
    if (readFailed())
        return;
    readIndex();
    if (readFailed())
        return;
    if (m_data.found && !readPackets())
        return;
    if (readFailed())
        return;
    checkRecordsAndStreams();
}

void Checker::checkHeaderChunks()
{
    const uint32_t rmfSize = m_muxer->m_fileHeader.size;
    if (rmfSize != rm::kFileHeaderChunkSize)
        problem(ProblemKind::ChunkSize, 0,
                "the .RMF chunk gives a size of " + std::to_string(rmfSize) + " bytes, but holds "
                    + std::to_string(rm::kFileHeaderChunkSize));
    for (const WalkedChunk& chunk : m_walk.chunks) {
        const uint64_t held = chunk.end - chunk.place.offset;
        if (rm::readByFields(chunk.place.id) && held != chunk.place.size)
            problem(ProblemKind::ChunkSize, chunk.place.offset,
                    "the " + std::string(chunk.place.id.bytes, rm::kChunkIdSize) + " chunk gives a size of "
                        + std::to_string(chunk.place.size) + " bytes, but holds " + std::to_string(held));
    }
    // Only a whole header section shows every stream header.
    const uint16_t numStreams = m_muxer->m_props.num_streams;
    if (m_walk.end == rm::HeaderEnd::Data && numStreams != m_walk.streams.size())
        problem(ProblemKind::StreamCount, m_propOffset,
                "the properties count " + std::to_string(numStreams) + " streams, but the header section holds "
                    + std::to_string(m_walk.streams.size()) + " stream headers");
}

void Checker::locateData()
{
    const rm::RmProperties props = m_muxer->m_props;
    const uint64_t walkedTo = m_walk.end == rm::HeaderEnd::Data ? m_walk.endOffset : 0;
    m_data = rm::locateDataChunk(m_in, props, walkedTo);
    if (!m_data.found) {
        if (walkedTo != 0)
            problem(ProblemKind::NoDataChunk, walkedTo, "the data chunk is cut short inside its header");
        else
            problem(ProblemKind::NoDataChunk, m_propOffset,
                    "the file has no data chunk: data_offset points at " + byteAt(props.data_offset)
                        + ", where none starts");
        return;
    }
    if (m_data.offset != props.data_offset)
        problem(ProblemKind::DataOffset, m_propOffset,
                "data_offset points at " + byteAt(props.data_offset) + ", but the data chunk starts at "
                    + byteAt(m_data.offset));
}

void Checker::checkNextDataHeaders(const std::vector<rm::DataChunkRead>& chunks)
{
    // A chunk that next_data_header chains on to is read when it follows
    // the packets before it; one it leads to elsewhere is a problem.
    for (const rm::DataChunkRead& read : chunks) {
        const uint64_t at = read.chunk.offset;
        const uint32_t next = read.chunk.header.next_data_header;
        if (next == 0
            || std::any_of(chunks.begin(), chunks.end(), [next, at](const rm::DataChunkRead& c) {
                   return c.chunk.offset == next && next != at;
               }))
            continue;
        rm::ChunkId id;
        const std::string pointer = "next_data_header points at " + byteAt(next);
        if (next >= m_in.size())
            problem(ProblemKind::NextDataHeader, at, pointer + ", past the end of the file at " + byteAt(m_in.size()));
        else if (next == at)
            problem(ProblemKind::NextDataHeader, at, pointer + ", its own data chunk");
        else if (!m_in.seek(next) || !rm::readChunkId(m_in, id) || !id.is(rm::kIdData))
            problem(ProblemKind::NextDataHeader, at, pointer + ", where no data chunk starts");
        else
            problem(ProblemKind::NextDataHeader, at,
                    pointer + ", a data chunk that does not follow the packets before it, whose packets a merge "
                              "does not read");
    }
}

void Checker::readIndex()
{
    const uint32_t indexOffset = m_muxer->m_props.index_offset;
    rm::IndexChain chain(m_in, indexOffset);
    uint64_t from = m_propOffset;  // the chunk whose pointer led on
    rm::RmIndexHeader header;
    while (chain.next(header)) {
        const uint64_t at = chain.offset();
        const uint16_t number = header.stream_number;
        const uint32_t count = header.num_indices;
        const uint32_t size = header.size;
        const uint64_t held = rm::heldIndexRecords(m_in, header);
        if (held < count)
            problem(ProblemKind::IndexSize, at,
                    "the index chunk counts " + std::to_string(count) + " records, but the file holds only "
                        + std::to_string(held));
        else if (size != rm::kIndexHeaderChunkSize + uint64_t{rm::kIndexEntrySize} * count)
            problem(ProblemKind::IndexSize, at,
                    "the index chunk gives a size of " + std::to_string(size) + " bytes, but its "
                        + std::to_string(count) + " records make "
                        + std::to_string(rm::kIndexHeaderChunkSize + uint64_t{rm::kIndexEntrySize} * count));
        StreamCheck* s = stream(number);
        if (!s)
            problem(ProblemKind::UnknownStream, at,
                    "an index chunk for stream " + std::to_string(number) + ", which no stream header describes");
        for (uint64_t k = 0; k < held; ++k) {
            rm::RmIndexEntry entry;
            if (!rm::readRecord(m_in, entry))
                break;
            m_result.records.push_back({number, at + rm::kIndexHeaderChunkSize + rm::kIndexEntrySize * k,
                                        entry.timestamp, entry.offset, entry.packet_count, std::nullopt});
            if (s) {
                ++s->indexRecords;
                m_recordsAt[entry.offset].push_back(m_result.records.size() - 1);
            }
        }
        from = at;
    }
    if (m_in.failed())
        return;
    const std::string pointer = (from == m_propOffset ? "index_offset" : "next_index_header") + std::string(" points at ")
                                + byteAt(chain.endOffset());
    switch (chain.end()) {
    case rm::IndexEnd::Last:
        break;
    case rm::IndexEnd::OutsideFile:
        problem(ProblemKind::IndexChain, from, pointer + ", past the end of the file at " + byteAt(m_in.size()));
        break;
    case rm::IndexEnd::Loop:
        problem(ProblemKind::IndexChain, from, pointer + ", an index chunk the chain has passed already");
        break;
    case rm::IndexEnd::NotIndex:
        problem(ProblemKind::IndexChain, from, pointer + ", where no index chunk starts");
        break;
    case rm::IndexEnd::Cut:
        problem(ProblemKind::IndexChain, from, pointer + ", an index chunk cut short by the end of the file");
        break;
    }
}

bool Checker::readPackets()
{
    struct Unknown {
        uint32_t packets = 0;
        uint64_t first = 0;
    };
    std::map<uint16_t, Unknown> unknown;
    rm::PacketReader reader(m_in, rm::DataWalk(m_data, m_in.size(), m_muxer->m_props.index_offset));
    rm::RmPacketHeader header;
    std::vector<uint8_t> payload;
    uint32_t found = 0;
    while (reader.next(header)) {
        if (m_stop && *m_stop)
            return false;
        if (m_visit && !reader.readPayload(payload))
            break;
        const uint64_t offset = reader.offset();
        const uint16_t number = header.stream_number;
        const uint32_t timestamp = header.timestamp;
        StreamCheck* s = stream(number);
        if (!s) {
            Unknown& u = unknown[number];
            if (u.packets++ == 0)
                u.first = offset;
        } else {
            if (s->packets > 0 && timestamp < s->lastTimestamp) {
                problem(ProblemKind::TimestampBackwards, offset,
                        "a packet of stream " + std::to_string(number) + " at " + std::to_string(timestamp)
                            + " ms follows one at " + std::to_string(s->lastTimestamp) + " ms");
                m_result.problems.back().previous = s->lastOffset;
            }
            if (s->packets++ == 0)
                s->firstTimestamp = timestamp;
            s->lastTimestamp = timestamp;
            s->lastOffset = offset;
            s->keyframes += reader.keyframe();
            matchRecords(offset, number, timestamp, found, *s);
        }
        if (m_visit && !m_visit({found, offset, header, payload}))
            return false;
        ++found;
    }
    if (reader.failed())
        return true;

    const uint64_t stop = reader.endOffset();
    // Packets that go on past the end the data chunk's size gives are read
    // on, as a merge reads them; the size is wrong.
    if (reader.ranOnAt() != 0)
        problem(ProblemKind::DataSize, reader.ranOnAt(),
                "packets go on past the end of the data chunk that its size gives; a merge reads them as well, "
                "and warns");
    const std::vector<rm::DataChunkRead>& chunks = reader.chunks();
    const rm::DataChunk& last = chunks.back().chunk;
    const uint64_t dataEnd = last.end;
    switch (reader.end()) {
    case rm::PacketStart::Cut:
        problem(ProblemKind::CutPacket, stop,
                dataEnd >= m_in.size() ? "a packet is cut short by the end of the file"
                                        : "a packet is cut short by the end of the data chunk at " + byteAt(dataEnd));
        break;
    case rm::PacketStart::Damaged:
        problem(ProblemKind::DamagedPacket, stop,
                "a packet header gives a length of " + std::to_string(header.length) + " bytes, too short for a packet");
        break;
    case rm::PacketStart::EndOfData:
        if (reader.ranOnAt() == 0)
            checkDataEnd(last, stop);
        break;
    case rm::PacketStart::Packet:
        break;
    }
    for (const auto& [number, u] : unknown)
        problem(ProblemKind::UnknownStream, u.first,
                std::to_string(u.packets) + " packets of stream " + std::to_string(number)
                    + ", which no stream header describes; a merge does not read them");

    checkCounts(chunks, found);
    checkNextDataHeaders(chunks);
    return true;
}

void Checker::matchRecords(uint64_t offset, uint16_t number, uint32_t timestamp, uint32_t packet, StreamCheck& s)
{
    const auto records = m_recordsAt.find(offset);
    if (records == m_recordsAt.end())
        return;
    for (std::size_t r : records->second) {
        IndexRecordCheck& record = m_result.records[r];
        if (record.stream == number && record.timestamp == timestamp && !record.packet) {
            record.packet = packet;
            ++s.indexRecordsMatching;
        }
    }
}

void Checker::checkCounts(const std::vector<rm::DataChunkRead>& chunks, uint32_t found)
{
    for (const rm::DataChunkRead& read : chunks) {
        const uint32_t counted = read.chunk.header.num_packets;
        if (counted != 0 && counted != read.packets && !read.several)
            problem(ProblemKind::PacketCount, read.chunk.offset,
                    "the data chunk counts " + std::to_string(counted) + " packets, but "
                        + std::to_string(read.packets) + " were found");
    }
    const uint32_t propCount = m_muxer->m_props.num_packets;
    if (propCount != 0 && propCount != found)
        problem(ProblemKind::PacketCount, m_propOffset,
                "the properties count " + std::to_string(propCount) + " packets, but the data "
                    + (chunks.size() > 1 ? "chunks hold " : "chunk holds ") + std::to_string(found));
}

void Checker::checkDataEnd(const rm::DataChunk& last, uint64_t stop)
{
    const uint32_t size = last.header.size;
    // A writer that could not seek back leaves no size: its packets run to
    // the next chunk or the end of the file.
    if (size == 0 || size == rm::kDataHeaderChunkSize)
        return;
    const uint64_t fileSize = m_in.size();
    const uint64_t sizeEnd = last.offset + size;
    if (sizeEnd == stop)
        return;
    // An end marker of zero bytes after the last packet, which the size
    // may count in part, or (as ffmpeg writes it) count past the end of
    // the file that the marker closes.
    uint8_t tail[kEndMarkerSearch];
    const std::size_t got = m_in.seek(stop) ? m_in.read(tail, sizeof tail) : 0;
    const uint64_t zerosEnd = stop + (std::find_if(tail, tail + got, [](uint8_t b) { return b != 0; }) - tail);
    if (zerosEnd > stop && sizeEnd > stop && (sizeEnd <= zerosEnd || zerosEnd == fileSize))
        return;
    const std::string given = "the data chunk gives a size of " + std::to_string(size) + " bytes";
    if (sizeEnd > fileSize)
        problem(ProblemKind::DataSize, last.offset,
                given + ", which reaches past the end of the file at " + byteAt(fileSize) + "; its packets end at "
                    + byteAt(stop));
    else
        problem(ProblemKind::DataSize, last.offset,
                given + ", which ends it at " + byteAt(sizeEnd) + ", but its packets end at " + byteAt(stop));
}

void Checker::checkRecordsAndStreams()
{
    for (const IndexRecordCheck& record : m_result.records)
        if (!record.packet && stream(record.stream))
            problem(ProblemKind::IndexRecord, record.at,
                    "the index record of stream " + std::to_string(record.stream) + " for "
                        + std::to_string(record.timestamp) + " ms points at " + byteAt(record.offset)
                        + ", where no packet of that stream with that timestamp starts");
    if (m_noUsableStream)
        return;
    for (std::size_t k = 0; k < m_result.streams.size(); ++k) {
        const StreamCheck& s = m_result.streams[k];
        if (s.durationMs == 0 && s.packets > 0)
            problem(ProblemKind::UnusableStream, m_streamOffsets[k],
                    "stream " + std::to_string(s.number) + " has " + std::to_string(s.packets)
                        + " packets, but its header gives duration 0: a merge cannot take it");
    }
}

}  // namespace

SourceCheck CheckSource(const std::string& path, const PacketVisitor& visit, const std::atomic<uint8_t>* stop)
{
    SourceCheck result;
    rm::InFile in;
    if (!in.open(path)) {
        result.openError = in.error();
        return result;
    }
    Checker(in, result, visit, stop).run();
    std::stable_sort(result.problems.begin(), result.problems.end(),
                     [](const CheckProblem& a, const CheckProblem& b) { return a.offset < b.offset; });
    return result;
}
