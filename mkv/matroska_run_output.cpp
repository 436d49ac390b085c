// A run written as Matroska: tracks from the output streams, texts in UTF-8, packets into blocks, each file checked.
#include "mkv/matroska_run_output.h"

#include <algorithm>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/stream_replay.h"
#include "rm/packet_start.h"

namespace mkv {

MatroskaRunOutput::MatroskaRunOutput(RmMuxer& muxer, const MuxJob& job, std::string application, TextsToUtf8 toUtf8)
    : m_muxer(muxer), m_job(job), m_application(std::move(application)), m_toUtf8(std::move(toUtf8))
{
}

// The tracks and texts, once for every file of the run. Texts the job gives
// (and names it gives streams) are UTF-8; the job has put texts it keeps
// beside given ones in UTF-8 too. What is kept as stored is read in one
// code page, the file's texts and stream names together.
void MatroskaRunOutput::planFile()
{
    const rm::RmContent& content = m_muxer.m_content;
    std::vector<std::string> stored = {{content.title, content.title_len},
                                       {content.author, content.author_len},
                                       {content.copyright, content.copyright_len},
                                       {content.comment, content.comment_len}};
    const bool textsGiven = m_job.title || m_job.author || m_job.copyright || m_job.comment;
    std::vector<StreamSource> streams;
    std::vector<std::string> toConvert = textsGiven ? std::vector<std::string>{} : stored;
    for (int o = 0; o < m_muxer.OutputStreamCount(); ++o) {
        const rm::RmStreamHeader& header = m_muxer.OutputStreamHeader(o);
        StreamSource stream;
        stream.name.assign(header.stream_name, header.stream_name_size);
        stream.typeSpecific.assign(header.type_specific_data, header.type_specific_data + header.type_specific_len);
        stream.nameIsUtf8 = m_job.streamNames.count(static_cast<uint16_t>(o)) > 0;
        if (!stream.nameIsUtf8)
            toConvert.push_back(stream.name);
        streams.push_back(std::move(stream));
        m_mimeTypes.emplace_back(header.mime_type, header.mime_type_size);
    }
    if (m_toUtf8 && !toConvert.empty())
        m_toUtf8(toConvert);
    std::size_t next = 0;
    if (!textsGiven)
        stored.assign(toConvert.begin(), toConvert.begin() + 4), next = 4;
    for (StreamSource& stream : streams)
        if (!stream.nameIsUtf8)
            stream.name = toConvert[next++];
    m_texts = {stored[0], stored[1], stored[2], stored[3]};
    m_plan = planTracks(streams);
    m_leftOut.assign(streams.size(), 0);
    m_lastLane.assign(streams.size(), 0);
    m_lastOffset.assign(streams.size(), 0);
}

std::string MatroskaRunOutput::beginFile(bool first)
{
    if (first)
        planFile();
    if (std::string error = m_muxer.CreateOutput(); !error.empty())
        return error;
    m_file = std::make_unique<MatroskaFile>(*m_muxer.m_out, m_plan, m_texts, m_application, m_job.keepTimestamps);
    return m_file->failed() ? "Cannot write the output file: " + m_file->error() : std::string();
}

bool MatroskaRunOutput::write(const OutPacket& packet)
{
    const std::size_t length = packet.header->length;
    const std::size_t head = std::min(rm::packetHeaderSize(packet.bytes), length);
    m_file->write(packet.stream, packet.timestamp, rm::isKeyframe(packet.bytes, length), packet.bytes + head,
                  length - head);
    m_lastLane[packet.stream] = packet.lane;
    m_lastOffset[packet.stream] = m_muxer.m_current[packet.lane]->offset;
    warnLeftOut();
    return !m_file->failed();
}

// Packets of a picture cut short (by the next picture, or by the end of
// its stream) make nothing a decoder can show, and are left out: said.
void MatroskaRunOutput::warnLeftOut()
{
    const std::vector<uint32_t> now = m_file->packetsLeftOut();
    for (std::size_t o = 0; o < now.size(); ++o) {
        const uint32_t count = now[o] - m_leftOut[o];
        if (count == 0)
            continue;
        m_leftOut[o] = now[o];
        m_muxer.Warn(m_muxer.m_sourceFile[m_lastLane[o]], m_lastOffset[o],
                     std::to_string(count) + (count == 1 ? " packet" : " packets") + " of output stream "
                         + std::to_string(o) + " held a picture cut short, which no decoder can show; left out of "
                         + "the Matroska file");
    }
}

std::string MatroskaRunOutput::writeError() const
{
    return m_file ? m_file->error() : std::string();
}

std::string MatroskaRunOutput::endFile(bool last)
{
    const int64_t end = m_muxer.OutputFileEnd() - m_file->shift();
    m_file->finish(static_cast<uint64_t>(std::max<int64_t>(end, 0)));
    warnLeftOut();
    if (m_file->failed())
        return "Cannot write the output file: " + m_file->error();
    m_muxer.m_out->flush();
    const int64_t shift = m_file->shift();
    m_file.reset();
    m_leftOut.assign(m_leftOut.size(), 0);
    return m_muxer.KeepFile(m_job,
                            [this, last, shift](const std::string& path) { return verify(path, last, shift); });
}

// Every block of the file against the source packets of its stream, and
// no packet of a stream its range did not end left in its source.
std::string MatroskaRunOutput::verify(const std::string& path, bool last, int64_t shift)
{
    std::vector<std::unique_ptr<StreamReplay>> replays;
    for (int o = 0; o < m_muxer.OutputStreamCount(); ++o)
        replays.push_back(m_muxer.ReplayStream(o));
    std::string readError;
    const std::string difference = verifyMatroska(path, m_plan, shift, [&](uint16_t stream, SourcePacket& packet) {
        // A Cancel stops the reading; the run then ends as cancelled.
        if (g_stop)
            return false;
        StreamReplay& replay = *replays[stream];
        if (!replay.next()) {
            readError = replay.failure();
            return false;
        }
        const rm::RmPacketHeader& header = replay.packet();
        const std::vector<uint8_t>& rest = replay.payload();
        const std::size_t head = std::min(rm::headerBytesAfterRecord(header), rest.size());
        packet.timestampMs = header.timestamp;
        packet.key = rm::isKeyframe(header, rest.data(), rest.size());
        packet.payload.assign(rest.begin() + static_cast<std::ptrdiff_t>(head), rest.end());
        return true;
    });
    if (g_stop)
        return {};
    if (!readError.empty())
        return readError;
    if (!difference.empty())
        return "The output did not read back as it was written: " + difference + "; nothing was written";
    for (int o = 0; o < m_muxer.OutputStreamCount(); ++o) {
        if (!m_plan.trackOf[o])
            continue;
        StreamReplay& replay = *replays[o];
        if (replay.next())
            return "The output did not read back as it was written: stream " + std::to_string(o) + " ends before "
                   + replay.name() + " does; nothing was written";
        if (std::string error = replay.failure(); !error.empty())
            return error;
    }
    if (last)
        if (std::string problem = m_muxer.RangeProblem(); !problem.empty())
            return "The output did not read back as it was written: " + problem + "; nothing was written";
    return {};
}

std::string MatroskaRunOutput::putInPlace(MuxJob& job)
{
    for (std::size_t o = 0; o < job.streams.size() && o < m_plan.trackOf.size(); ++o)
        if (!m_plan.trackOf[o])
            job.streams[o].leftOut = "Matroska has no form for " + m_mimeTypes[o];
    return m_muxer.PutAllInPlace(job);
}

void MatroskaRunOutput::discard()
{
    m_file.reset();
    m_muxer.DiscardOutput();
}

std::function<std::unique_ptr<MuxOutput>(RmMuxer&, const MuxJob&)> matroskaOutput(std::string application,
                                                                                     TextsToUtf8 toUtf8)
{
    return [application, toUtf8](RmMuxer& muxer, const MuxJob& job) -> std::unique_ptr<MuxOutput> {
        return std::make_unique<MatroskaRunOutput>(muxer, job, application, toUtf8);
    };
}

}  // namespace mkv
