// Reading each finished output file back, as kestrova-cli check reads a
// file, and comparing each of its streams with the source packets it was
// given, before the file takes its name.
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/source_check.h"
#include "mux/stream_replay.h"
#include "rm/packet_start.h"
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

std::unique_ptr<StreamReplay> RmMuxer::ReplayStream(int out) const
{
    return std::make_unique<StreamReplay>(*this, *m_run, out);
}

std::string RmMuxer::VerifyOutput(bool last)
{
    const RunState& run = *m_run;
    const std::string& path = run.file.tempPath;

    std::vector<StreamReplay> streams;
    streams.reserve(run.outCount);
    for (int o = 0; o < run.outCount; ++o)
        streams.emplace_back(*this, run, o);
    std::string difference;
    std::string readError;
    uint32_t compared[kMaxStreams] = {};
    const SourceCheck check = CheckSource(path, [&](const CheckedPacket& packet) {
        // A Cancel stops the reading; the run then ends as cancelled.
        if (g_stop)
            return false;
        difference = comparePacket(packet, streams, compared, readError);
        return difference.empty();
    });
    if (g_stop)
        return {};
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
        // Every packet written was found again.
        StreamReplay& stream = streams[o];
        if (stream.next())
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
    if (last)
        if (std::string problem = RangeProblem(); !problem.empty())
            return failed + problem + nothing;
    return {};
}

std::string RmMuxer::RangeProblem() const
{
    // Each lane wrote, over all the files, the run of its source's packets
    // that a range planner of its own keeps, replayed from the start of its
    // data: every unit inside the range, and nothing outside. (Without a
    // range every packet is kept, which the comparison has checked.)
    const RunState& run = *m_run;
    if (!run.range.trims())
        return {};
    for (int l = 0; l < m_streamCount; ++l) {
        const Lane& lane = run.lanes[l];
        if (lane.part >= run.partCount)
            continue;
        const uint16_t f = m_sourceFile[l];
        const Source& source = run.sources[f];
        rm::InFile file;
        if (!file.openSame(*m_files[f]))
            return "cannot read " + m_files[f]->path() + " again: " + file.error();
        const uint64_t from = lane.readFrom;
        rm::PacketReader reader(file,
                                from == source.dataStart ? run.reader->walkFrom(f, from, source)
                                                         : run.reader->walkFrom(f, from, source).from(from),
                                from);
        UnitPlanner plan(run.reader->unitRule(f, m_sourceStream[l], m_streams[l]), run.range.edit());
        std::deque<uint64_t> held;
        uint32_t kept = 0;
        std::optional<uint64_t> first;
        const auto take = [&] {
            for (; plan.decided(); held.pop_front())
                if (const UnitPlanner::Taken taken = plan.take();
                    taken.kept && taken.unitStart - run.range.shift() + run.range.delay(lane.out) >= 0) {
                    first = first.value_or(held.front());
                    ++kept;
                }
        };
        rm::RmPacketHeader header;
        while (!plan.rangeOver() && reader.next(header)) {
            if (header.stream_number != m_sourceStream[l])
                continue;
            held.push_back(reader.offset());
            plan.offer(run.range.laneTime(lane, header.timestamp),
                       plan.wantsKeyframe() && rm::keyframeAt(*m_files[f], header, reader.offset()));
            take();
        }
        if (reader.failed())
            return "cannot read " + m_files[f]->path() + " again: " + file.readError();
        plan.close();
        take();
        if (kept != lane.written || (first && *first != lane.first))
            return "output stream " + std::to_string(lane.out) + " holds " + std::to_string(lane.written)
                   + " packets of " + m_files[f]->path() + " stream " + std::to_string(m_sourceStream[l])
                   + ", where the range keeps " + std::to_string(kept)
                   + (first ? " from " + byteAt(*first) : std::string());
    }
    return {};
}
