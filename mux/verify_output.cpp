// Reading each finished output file back, as kestrova-cli check reads a
// file, and comparing each of its streams with the source packets it was
// given, before the file takes its name.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/source_check.h"
#include "rm/packet_reader.h"

namespace {

std::string byteAt(uint64_t offset)
{
    return "byte " + rm::formatOffset(offset);
}

// The first field in which two packets differ, or "" when none does.
std::string differingField(const rm::RmPacketHeader& out, const std::vector<uint8_t>& outPayload,
                           const rm::RmPacketHeader& source, const std::vector<uint8_t>& sourcePayload)
{
    if (out.timestamp != source.timestamp)
        return "timestamp";
    if (out.flags != source.flags)
        return "flags";
    if (out.packet_group != source.packet_group)
        return "group";
    if (out.object_version != source.object_version)
        return "version";
    if (outPayload != sourcePayload)
        return "payload";
    return {};
}

}  // namespace

// The source packets one output stream of the file was given, lane after
// lane in part order, each lane read from its first packet in the file by a
// reader of its own through a descriptor of its own; each packet with the
// timestamp it was to have.
class StreamReplay {
public:
    StreamReplay(const RmMuxer& muxer, const RunState& run, int out) : m_muxer(muxer), m_run(run)
    {
        for (int l = 0; l < muxer.m_streamCount; ++l)
            if (run.lanes[l].out == out && run.file.lanes[l].packets != 0)
                m_lanes.push_back(l);
        std::stable_sort(m_lanes.begin(), m_lanes.end(),
                         [&run](int a, int b) { return run.lanes[a].part < run.lanes[b].part; });
    }

    // Moves to the next packet, payload and all; false past them. With
    // `beyond`, looks past the last lane's packets for one more.
    bool next(bool beyond = false)
    {
        for (;;) {
            const int l = lane();
            if (l < 0)
                return false;
            const bool laneDone = m_taken == m_run.file.lanes[l].packets;
            if (laneDone && m_laneAt + 1 == m_lanes.size() && !beyond)
                return false;
            if (laneDone && m_laneAt + 1 < m_lanes.size()) {
                ++m_laneAt;
                m_taken = 0;
                m_reader.reset();
                continue;
            }
            if (!m_reader && !open(l))
                return false;
            switch (readLane(l)) {
            case Read::Packet:
                return true;
            case Read::Failed:
                return false;
            case Read::Ended:
                break;
            }
            if (!resume(l))
                return false;
        }
    }

    const rm::RmPacketHeader& packet() const { return m_packet; }
    const std::vector<uint8_t>& payload() const { return m_payload; }
    uint64_t offset() const { return m_reader->offset(); }
    std::string name() const
    {
        const int l = std::max(lane(), 0);
        return m_muxer.m_files[m_muxer.m_sourceFile[l]]->path() + " stream "
               + std::to_string(m_muxer.m_sourceStream[l]);
    }
    std::string failure() const { return m_source && m_source->failed() ? m_source->readError() : m_openError; }
    // The range ended its last lane: its source may hold more.
    bool lastCut() const { return m_lanes.empty() || m_run.lanes[m_lanes.back()].cut; }

private:
    int lane() const { return m_laneAt < m_lanes.size() ? m_lanes[m_laneAt] : -1; }

    bool open(int l)
    {
        const uint16_t f = m_muxer.m_sourceFile[l];
        const rm::InFile& file = *m_muxer.m_files[f];
        m_source = std::make_unique<rm::InFile>();
        if (!m_source->openSame(file)) {
            m_openError = "Cannot read " + file.path() + " again to verify the output: " + m_source->error();
            return false;
        }
        m_reader.emplace(*m_source, m_run.reader->walkFrom(f, m_run.sources[f].dataStart, m_run.sources[f]));
        return true;
    }

    enum class Read { Packet, Ended, Failed };
    Read readLane(int l)
    {
        const Lane& lane = m_run.lanes[l];
        while (m_reader->next(m_packet)) {
            if (m_packet.stream_number != m_muxer.m_sourceStream[l] || m_reader->offset() < m_run.file.lanes[l].first)
                continue;
            if (!m_reader->readPayload(m_payload))
                return Read::Failed;
            ++m_taken;
            const int64_t time = m_run.range.outputTime(lane, m_packet.timestamp) - m_run.file.base;
            m_packet.timestamp = static_cast<uint32_t>(std::clamp<int64_t>(time, 0, UINT32_MAX));
            return Read::Packet;
        }
        return Read::Ended;
    }

    // The reading goes on after a stretch a repair passed over, if one
    // starts where it ended.
    bool resume(int l)
    {
        const uint16_t f = m_muxer.m_sourceFile[l];
        if (m_reader->failed())
            return false;
        const uint64_t end = m_reader->endOffset();
        const std::optional<uint64_t> after = m_run.reader->resumesAfter(f, end);
        // A stretch of no bytes would lead back here.
        if (!after || *after <= end)
            return false;
        m_reader.emplace(*m_source, m_run.reader->walkFrom(f, *after, m_run.sources[f]));
        return true;
    }

    const RmMuxer& m_muxer;
    const RunState& m_run;
    std::vector<int> m_lanes;
    std::size_t m_laneAt = 0;
    uint32_t m_taken = 0;
    std::unique_ptr<rm::InFile> m_source;
    std::optional<rm::PacketReader> m_reader;
    std::string m_openError;
    rm::RmPacketHeader m_packet{};
    std::vector<uint8_t> m_payload;
};

namespace {

// Compares one packet of the output with the next its stream was given; ""
// or how they differ.
std::string comparePacket(const CheckedPacket& packet, std::vector<StreamReplay>& streams, uint32_t compared[],
                          std::string& readError)
{
    const uint16_t o = packet.header.stream_number;
    const std::string place = "the packet at " + byteAt(packet.offset) + " of the output";
    if (o >= streams.size())
        return place + " belongs to stream " + std::to_string(o) + ", which the merge did not write";
    StreamReplay& stream = streams[o];
    if (!stream.next()) {
        readError = stream.failure();
        return "stream " + std::to_string(o) + " has a packet at " + byteAt(packet.offset) + " of the output past the "
               + std::to_string(compared[o]) + " packets of " + stream.name();
    }
    if (std::string field = differingField(packet.header, packet.payload, stream.packet(), stream.payload());
        !field.empty())
        return place + " differs in its " + field + " from the packet at " + byteAt(stream.offset()) + " of "
               + stream.name();
    ++compared[o];
    return {};
}

}  // namespace

std::string RmMuxer::VerifyOutput(const MuxJob& job, bool last)
{
    const RunState& run = *m_run;
    const std::string& path = run.file.tempPath;
    if (job.beforeVerify)
        job.beforeVerify(path);

    std::vector<StreamReplay> streams;
    streams.reserve(run.outCount);
    for (int o = 0; o < run.outCount; ++o)
        streams.emplace_back(*this, run, o);
    std::string difference;
    std::string readError;
    uint32_t compared[kMaxStreams] = {};
    const SourceCheck check = CheckSource(path, [&](const CheckedPacket& packet) {
        difference = comparePacket(packet, streams, compared, readError);
        return difference.empty();
    });
    if (!check.openError.empty())
        return "Cannot read the output back to verify it: " + check.openError;
    if (!readError.empty())
        return readError;
    const std::string failed = "The output did not read back as it was written: ";
    const std::string nothing = "; nothing was written";
    if (!difference.empty())
        return failed + difference + nothing;
    // Timestamps that go backwards within a stream are its source's, which
    // the comparison has just found copied as they are.
    for (const CheckProblem& problem : check.problems)
        if (problem.kind != ProblemKind::TimestampBackwards)
            return failed + "at " + byteAt(problem.offset) + ", " + problem.text + nothing;
    const std::size_t written = run.outCount + (m_addHelper ? 1u : 0u);
    if (check.streams.size() != written)
        return failed + "it holds " + std::to_string(check.streams.size()) + " stream headers, where "
               + std::to_string(written) + " were written" + nothing;
    for (int o = 0; o < run.outCount; ++o) {
        // Every packet written was found again, and a lane its range did not
        // end has none left in its source (in the last file: a file a split
        // closed goes on in the next).
        StreamReplay& stream = streams[o];
        bool more = stream.next();
        if (!more && last && !stream.lastCut() && stream.failure().empty())
            more = stream.next(true);
        if (more)
            return failed + "stream " + std::to_string(o) + " ends after " + std::to_string(compared[o])
                   + " packets, but " + stream.name() + " has more from " + byteAt(stream.offset()) + nothing;
        if (std::string error = stream.failure(); !error.empty())
            return error;
    }
    for (const IndexRecordCheck& record : check.records)
        if (record.packet && record.packetCount != *record.packet)
            return failed + "the index record at " + byteAt(record.at) + " gives packet count "
                   + std::to_string(record.packetCount) + " for the packet numbered " + std::to_string(*record.packet)
                   + nothing;
    return {};
}
