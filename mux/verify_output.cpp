// Reading a finished output back, as kestrova-cli check reads a file, and
// comparing each of its streams with the source stream it was copied from,
// before the output takes its name.
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

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

    // Each output stream's source is read from the start of its data by a
    // reader of its own, through a descriptor of its own.
    std::vector<std::unique_ptr<rm::InFile>> sources;
    std::vector<std::optional<rm::PacketReader>> readers(m_streamCount);
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
    for (int o = 0; o < m_streamCount; ++o) {
        const uint16_t f = m_sourceFile[o];
        auto file = std::make_unique<rm::InFile>();
        if (!file->openSame(*m_files[f]))
            return "Cannot read " + m_files[f]->path() + " again to verify the output: " + file->error();
        readers[o].emplace(*file, walkFrom(f, m_dataStart[f]));
        sources.push_back(std::move(file));
    }
    const auto sourceName = [this](int o) {
        return m_files[m_sourceFile[o]]->path() + " stream " + std::to_string(m_sourceStream[o]);
    };
    rm::RmPacketHeader source{};
    std::vector<uint8_t> sourcePayload;
    // Moves the reader of output stream o to the next packet of its source
    // stream, payload and all; false at the end of the source's data.
    const auto nextSourcePacket = [&](int o) {
        for (;;) {
            while (readers[o]->next(source))
                if (source.stream_number == m_sourceStream[o])
                    return readers[o]->readPayload(sourcePayload);
            const uint16_t f = m_sourceFile[o];
            const auto skip = std::find_if(m_skips.begin(), m_skips.end(), [&](const Skip& s) {
                return s.file == f && s.from == readers[o]->endOffset();
            });
            if (!m_repair || readers[o]->failed() || skip == m_skips.end())
                return false;
            readers[o].emplace(*sources[o], walkFrom(f, skip->to));
        }
    };
    const auto readFailure = [&](int o) { return sources[o]->failed() ? sources[o]->readError() : std::string(); };

    std::string difference;
    std::string readError;
    uint32_t compared[kMaxStreams] = {};
    const auto compare = [&](const CheckedPacket& packet) {
        const uint16_t o = packet.header.stream_number;
        const std::string place = "the packet at " + byteAt(packet.offset) + " of the output";
        if (o >= m_streamCount) {
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
    const std::size_t written = m_streamCount + (m_addHelper ? 1u : 0u);
    if (check.streams.size() != written)
        return failed + "it holds " + std::to_string(check.streams.size()) + " stream headers, where "
               + std::to_string(written) + " were written" + nothing;
    for (int o = 0; o < m_streamCount; ++o) {
        if (nextSourcePacket(o))
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
