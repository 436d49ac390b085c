// Reading a finished output back, as kestrova-cli check reads a file, and
// comparing each of its streams with the source stream it was copied from,
// before the output takes its name.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
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

std::string RmMuxer::VerifyOutput(const MuxJob& job)
{
    if (job.beforeVerify)
        job.beforeVerify(m_tempPath);

    // A repaired source is read from each place to the next stretch its
    // cursors passed over, and on after it.
    const auto walkFrom = [this](uint16_t f, uint64_t from) {
        if (!m_repair)
            return m_dataWalk[f];
        const uint64_t fileSize = m_files[f]->size();
        rm::DataChunk part;
        part.found = true;
        part.offset = part.start = from;
        part.end = fileSize;
        for (const Skip& skip : m_skips)
            if (skip.file == f && skip.from >= from)
                part.end = std::min(part.end, skip.from);
        return rm::DataWalk(part, fileSize, 0);
    };
    // Each output stream's lanes are read in turn, each up to its first
    // written packet and from there on, by a reader of its own through a
    // descriptor of its own; each packet is expected with its lane's shift.
    std::vector<int> lanes[kMaxStreams];
    for (int l = 0; l < m_streamCount; ++l)
        if (m_laneWritten[l] != 0)
            lanes[m_laneOut[l]].push_back(l);
    for (auto& list : lanes)
        std::sort(list.begin(), list.end(), [this](int a, int b) { return m_lanePart[a] < m_lanePart[b]; });
    std::size_t laneAt[kMaxStreams] = {};
    uint32_t taken[kMaxStreams] = {};
    std::unique_ptr<rm::InFile> sources[kMaxStreams];
    std::optional<rm::PacketReader> readers[kMaxStreams];
    std::string openError;
    const auto lane = [&](int o) { return laneAt[o] < lanes[o].size() ? lanes[o][laneAt[o]] : -1; };
    const auto open = [&](int o) {
        const int l = lane(o);
        const uint16_t f = m_sourceFile[l];
        sources[o] = std::make_unique<rm::InFile>();
        if (!sources[o]->openSame(*m_files[f])) {
            openError = "Cannot read " + m_files[f]->path() + " again to verify the output: " + sources[o]->error();
            return false;
        }
        readers[o].emplace(*sources[o], walkFrom(f, m_dataStart[f]));
        return true;
    };
    const auto sourceName = [this, &lane](int o) {
        const int l = std::max(lane(o), 0);
        return m_files[m_sourceFile[l]]->path() + " stream " + std::to_string(m_sourceStream[l]);
    };
    rm::RmPacketHeader source{};
    std::vector<uint8_t> sourcePayload;
    // Moves to the next packet output stream o was given from its lanes,
    // payload and all, with the timestamp it was to have; false past them.
    // With `beyond`, looks past the last lane's packets for one more.
    const auto nextSourcePacket = [&](int o, bool beyond = false) {
        for (;;) {
            const int l = lane(o);
            if (l < 0)
                return false;
            if (taken[o] == m_laneWritten[l] && laneAt[o] + 1 == lanes[o].size() && !beyond)
                return false;
            if (taken[o] == m_laneWritten[l] && laneAt[o] + 1 < lanes[o].size()) {
                ++laneAt[o];
                taken[o] = 0;
                readers[o].reset();
                continue;
            }
            if (!readers[o] && !open(o))
                return false;
            while (readers[o]->next(source)) {
                if (source.stream_number != m_sourceStream[l] || readers[o]->offset() < m_laneFirst[l])
                    continue;
                if (!readers[o]->readPayload(sourcePayload))
                    return false;
                ++taken[o];
                source.timestamp = static_cast<uint32_t>(m_partOffset[m_lanePart[l]] + source.timestamp - m_trimShift
                                                         + m_delay[o]);
                return true;
            }
            const uint16_t f = m_sourceFile[l];
            const auto skip = std::find_if(m_skips.begin(), m_skips.end(), [&](const Skip& s) {
                return s.file == f && s.from == readers[o]->endOffset();
            });
            if (!m_repair || readers[o]->failed() || skip == m_skips.end())
                return false;
            readers[o].emplace(*sources[o], walkFrom(f, skip->to));
        }
    };
    const auto readFailure = [&](int o) {
        return sources[o] && sources[o]->failed() ? sources[o]->readError() : openError;
    };

    std::string difference;
    std::string readError;
    uint32_t compared[kMaxStreams] = {};
    const auto compare = [&](const CheckedPacket& packet) {
        // A Cancel stops the reading; the run then ends as cancelled.
        if (g_stop)
            return false;
        const uint16_t o = packet.header.stream_number;
        const std::string place = "the packet at " + byteAt(packet.offset) + " of the output";
        if (o >= m_outCount) {
            difference = place + " belongs to stream " + std::to_string(o) + ", which the merge did not write";
        } else if (!nextSourcePacket(o)) {
            readError = readFailure(o);
            difference = "stream " + std::to_string(o) + " has a packet at " + byteAt(packet.offset)
                         + " of the output past the " + std::to_string(compared[o]) + " packets of " + sourceName(o);
        } else if (std::string field = differingField(packet.header, packet.payload, source, sourcePayload);
                   !field.empty()) {
            difference = place + " differs in its " + field + " from the packet at " + byteAt(readers[o]->offset())
                         + " of " + sourceName(o);
        } else {
            ++compared[o];
        }
        return difference.empty();
    };
    const SourceCheck check = CheckSource(m_tempPath, compare);
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
    const std::size_t written = m_outCount + (m_addHelper ? 1u : 0u);
    if (check.streams.size() != written)
        return failed + "it holds " + std::to_string(check.streams.size()) + " stream headers, where "
               + std::to_string(written) + " were written" + nothing;
    for (int o = 0; o < m_outCount; ++o) {
        // Every packet written was found again, and a lane its range did not
        // end has none left in its source.
        const bool more = nextSourcePacket(o);
        const int last = lanes[o].empty() ? -1 : lanes[o].back();
        if (!more && last >= 0 && !m_laneCut[last] && readFailure(o).empty()) {
            if (nextSourcePacket(o, true))
                return failed + "stream " + std::to_string(o) + " ends after " + std::to_string(compared[o])
                       + " packets, but " + sourceName(o) + " has more from " + byteAt(readers[o]->offset())
                       + nothing;
        }
        if (more)
            return failed + "stream " + std::to_string(o) + " ends after " + std::to_string(compared[o])
                   + " packets, but " + sourceName(o) + " has more from " + byteAt(readers[o]->offset()) + nothing;
        if (std::string error = readFailure(o); !error.empty())
            return error;
    }
    for (const IndexRecordCheck& record : check.records)
        if (record.packet && record.packetCount != *record.packet)
            return failed + "the index record at " + byteAt(record.at) + " gives packet count "
                   + std::to_string(record.packetCount) + " for the packet numbered " + std::to_string(*record.packet)
                   + nothing;
    return {};
}
