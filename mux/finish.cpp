// Ending a merge run: completing the output, cancelling, or failing.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/output_file.h"

std::string RmMuxer::CheckWhatWasRead()
{
    // Every source a stream was taken from was read to the end of its data.
    // One that held no packet at all gave the output nothing of what was
    // asked of it: the merge fails rather than write streams without packets.
    // (A source a trim read only part of, or passed over, is not judged.)
    for (uint16_t f = 0; f < m_fileCount; ++f) {
        bool selected = false;
        for (int l = 0; l < m_streamCount; ++l)
            selected = selected || m_sourceFile[l] == f;
        if (!selected || m_packetsFound[f] != 0 || !m_readWhole[f])
            continue;
        if (m_repair)
            return m_files[f]->path() + " holds no packet that could be recovered; nothing was written";
        return m_files[f]->path()
               + (m_hasDataChunk[f] ? " holds no packets: its data chunk is empty"
                                    : " holds no packets: it has no whole data chunk");
    }
    for (int o = 0; o < m_outCount; ++o) {
        const int l = m_outLane[o];
        if (m_packetsCopied[o] == 0)
            Warn(m_sourceFile[l], m_dataStart[m_sourceFile[l]],
                 "stream " + std::to_string(m_sourceStream[l]) + " has no packets; the output carries it empty");
        if (m_droppedByDelay[o] != 0)
            Warn(m_sourceFile[l], m_dataStart[m_sourceFile[l]],
                 std::to_string(m_droppedByDelay[o]) + " packets of output stream " + std::to_string(o)
                     + " would fall before 0 with its delay of " + std::to_string(m_delay[o])
                     + " ms; they were left out");
    }
    return {};
}

std::string RmMuxer::FinishOutput(const MuxJob& job)
{
    std::string error = FinishFile(job);
    ReleaseRun();
    if (error.empty() && m_split.active()) {
        NoteSplitPart();
        m_partTemps.push_back(m_tempPath);
        m_tempPath.clear();
    }
    return error;
}

std::string RmMuxer::FinishFile(const MuxJob& job)
{
    m_dataHeader.num_packets = m_packetsWritten;
    m_dataHeader.size = static_cast<uint32_t>(m_out->tell() - m_props.data_offset);
    m_props.num_packets = m_packetsWritten;
    if (m_durationsWritten)
        SetWrittenDurations();
    SetWrittenFigures();
    // With no index chunk to write, 0 says that the file has none.
    const bool anyIndex = m_streamCount > 0 || m_addHelper;
    m_props.index_offset = anyIndex ? static_cast<uint32_t>(m_out->tell()) : 0;
    KeepMatchedIndexes();
    WriteIndexes();
    WriteDataHeader(false);
    WriteProperties(false);
    WriteStreamHeaders(false);
    // Packets still pending in the output lie in the cursors' windows.
    m_out->flush();

    // On disk before it takes the output's name, so that a crash never
    // leaves a partial file there.
    bool written = !job.sync || m_out->sync();
    written = m_out->close() && written;
    const std::string writeError = m_out->error();
    m_out.reset();
    if (!written)
        return "Cannot write the output file: " + writeError;
    return {};
}

void RmMuxer::SetWrittenDurations()
{
    // Each stream lasts to the end of its last packet; the file to the
    // latest of them.
    uint32_t longest = 0;
    for (int o = 0; o < m_outCount; ++o) {
        const uint32_t duration = static_cast<uint32_t>(std::clamp<int64_t>(m_outEnd[o], 0, UINT32_MAX));
        m_streams[m_outLane[o]].fixed.duration = duration;
        longest = std::max(longest, duration);
    }
    m_props.duration = longest;
}

void RmMuxer::SetWrittenFigures()
{
    // What the output holds, not what its sources claimed: computed here,
    // once, from the counts the packet loop kept, whatever the job made of
    // the sources (side by side, one after another, cut to a range).
    const uint32_t duration = m_props.duration;
    m_props.max_bit_rate = m_written.maxBitRate(duration);
    m_props.avg_bit_rate = m_written.avgBitRate(duration);
    m_props.max_packet_size = m_written.maxPacketSize();
    m_props.avg_packet_size = m_written.avgPacketSize();
    for (int o = 0; o < m_outCount; ++o) {
        rm::RmStreamHeader::Fixed& fixed = m_streams[m_outLane[o]].fixed;
        const WrittenFigures& written = m_streamWritten[o];
        const uint32_t streamDuration = fixed.duration;
        fixed.max_bit_rate = written.maxBitRate(streamDuration);
        fixed.avg_bit_rate = written.avgBitRate(streamDuration);
        fixed.max_packet_size = written.maxPacketSize();
        fixed.avg_packet_size = written.avgPacketSize();
    }
}

std::string RmMuxer::PutInPlace(MuxJob& job)
{
    // Everything that could fail is done before the rename: from the moment
    // the output has its name, the run has completed.
    const std::filesystem::path target(m_outputPath);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string syncError;
    syncError.reserve(256);

    // Only a complete output replaces what was at the path before.
    std::error_code ec;
    const auto previous = std::filesystem::status(m_outputPath, ec);
    if (!ec && std::filesystem::is_regular_file(previous))
        std::filesystem::permissions(m_tempPath, previous.permissions(), ec);
    std::filesystem::rename(m_tempPath, m_outputPath, ec);
    if (ec)
        return "Cannot put the output at " + m_outputPath + ": " + ec.message();
    m_tempPath.clear();

    // The new name itself, on disk too. The output is in place by now, so a
    // folder that cannot be synced is told, not undone; and should even
    // the telling fail for want of memory, the output stays.
    if (job.sync && !rm::syncFolder(folder, syncError)) {
        try {
            job.warnings.push_back({m_outputPath, 0, "its folder could not be flushed to disk: " + syncError});
        } catch (...) {
        }
    }
    return {};
}

void RmMuxer::ReleaseSources()
{
    for (uint16_t f = 0; f < m_fileCount; ++f)
        m_files[f].reset();
    m_in = nullptr;
}

void RmMuxer::Report(MuxJob& job)
{
    job.streams.clear();
    for (int o = 0; o < m_outCount; ++o) {
        const int l = m_outLane[o];
        const uint16_t f = m_sourceFile[l];
        StreamReport report{m_files[f] ? m_files[f]->path() : std::string(), m_sourceStream[l], m_packetsCopied[o],
                            m_indexCopied[o], m_indexBuiltCount[o]};
        report.droppedByDelay = m_droppedByDelay[o];
        job.streams.push_back(report);
    }
    job.warnings = m_warnings;
    TrimReport& trim = job.trim;
    trim.trimmed = m_trimStart || m_trimEnd;
    trim.askedStartMs = m_trimStart;
    trim.askedEndMs = m_trimEnd;
    trim.startMs = m_trimStart ? static_cast<uint32_t>(m_trimStartFound) : 0;
    int64_t end = 0;
    for (int l = 0; l < m_streamCount; ++l)
        if (m_laneWritten[l] != 0)
            end = std::max(end, LaneEnd(l));
    trim.endMs = static_cast<uint32_t>(std::clamp<int64_t>(end, 0, UINT32_MAX));
    trim.shiftMs = static_cast<uint32_t>(m_trimShift);
    trim.bytesRead = m_bytesRead;
    job.parts = m_parts;
    ReportDamage(job);
}

void RmMuxer::ReleaseRun()
{
    // Packets still pending in the output lie in the cursors' windows.
    if (m_out)
        m_out->flush();
    for (int i = 0; i < kMaxLanes; ++i) {
        m_indexTables[i].clear();
        m_indexTables[i].shrink_to_fit();
        m_hasCurrent[i] = false;
        m_queues[i].release();
        m_cursors[i].stop();
    }
    for (auto& table : m_outIndex) {
        table.clear();
        table.shrink_to_fit();
    }
    m_cursorCount = 0;
}

void RmMuxer::DiscardOutput()
{
    if (m_out) {
        m_out->close();
        m_out.reset();
    }
    std::error_code ec;
    if (!m_tempPath.empty()) {
        std::filesystem::remove(m_tempPath, ec);
        m_tempPath.clear();
    }
    // A split leaves no part behind.
    for (const std::string& temp : m_partTemps)
        std::filesystem::remove(temp, ec);
    m_partTemps.clear();
}

void RmMuxer::AbortMerge()
{
    ReleaseRun();
    DiscardOutput();
}

void RmMuxer::Cancel(MuxJob& job)
{
    AbortMerge();
    Report(job);
    g_stop = 0;
    job.outcome = MuxOutcome::Cancelled;
}

void RmMuxer::Fail(MuxJob& job, const std::string& message)
{
    ReleaseRun();
    DiscardOutput();
    Report(job);
    job.outcome = MuxOutcome::Failed;
    job.error = message;
    // The run is over: whoever shows its progress may stop waiting.
    g_progress = kProgressDone;
    g_stop = 1;
}
