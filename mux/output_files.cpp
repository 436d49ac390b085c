// Each file of the output, from its creation to its place: its header
// section, its completion (index, figures, on disk), its verification, and
// its rename over the output's path. A run writes one file; a split writes
// several in turn, each through the same steps.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "rm/output_file.h"

std::string RmMuxer::WriteHeaderSection(bool first)
{
    RunState& run = *m_run;
    m_props.num_streams = run.outCount;
    if (!first)
        m_props.num_packets = 0;
    m_props.avg_bit_rate = m_props.max_bit_rate = 0;
    m_props.avg_packet_size = m_props.max_packet_size = 0;
    m_props.duration = run.mergedDuration;
    // A player fills its buffer for the longest preroll any stream asks.
    uint32_t preroll = 0;
    for (int o = 0; o < run.outCount; ++o)
        preroll = std::max<uint32_t>(preroll, m_streams[run.outs[o].lane].fixed.preroll);
    m_props.preroll = preroll;
    m_dataHeader.num_packets = m_props.num_packets;
    // The output has one data chunk.
    m_dataHeader.next_data_header = 0;

    WriteFileHeader();
    WriteProperties(true);
    WriteStreamHeaders(true);
    WriteContent();
    m_props.data_offset = static_cast<uint32_t>(m_out->tell());
    WriteDataHeader(true);
    if (m_out->failed())
        return "Cannot write the output file: " + m_out->error();
    if (!first)
        return {};

    m_readAhead = {};
    g_progress = 0;
    // Progress by bytes stands in when no selected stream has index records.
    for (uint16_t f = 0; f < m_fileCount; ++f)
        if (std::any_of(m_sourceFile, m_sourceFile + m_streamCount, [f](uint16_t s) { return s == f; }))
            run.bytesTotal += run.sources[f].dataWalk.reach() - run.sources[f].dataStart;
    return {};
}

std::string RmMuxer::EndFile(const MuxJob& job, bool last)
{
    const RunState& run = *m_run;
    const OutputFile& file = run.file;
    m_dataHeader.num_packets = file.packets;
    m_dataHeader.size = static_cast<uint32_t>(m_out->tell() - m_props.data_offset);
    m_props.num_packets = file.packets;
    if (run.durationsWritten)
        SetWrittenDurations();
    SetWrittenFigures();
    // With no index chunk to write, 0 says that the file has none.
    const bool anyIndex = m_streamCount > 0 || m_addHelper;
    m_props.index_offset = anyIndex ? static_cast<uint32_t>(m_out->tell()) : 0;
    WriteIndexes();
    WriteDataHeader(false);
    WriteProperties(false);
    WriteStreamHeaders(false);
    // Packets still pending in the output lie in the cursors' windows.
    m_out->flush();
    return KeepFile(job, [&](const std::string&) { return VerifyOutput(last); });
}

std::string RmMuxer::KeepFile(const MuxJob& job, const std::function<std::string(const std::string& path)>& verify)
{
    RunState& run = *m_run;
    OutputFile& file = run.file;
    // On disk before it takes the output's name, so that a crash never
    // leaves a partial file there.
    bool written = !job.sync || m_out->sync();
    written = m_out->close() && written;
    const std::string writeError = m_out->error();
    m_out.reset();
    if (!written)
        return "Cannot write the output file: " + writeError;
    if (job.verify) {
        if (job.beforeVerify)
            job.beforeVerify(file.tempPath);
        if (std::string error = verify(file.tempPath); !error.empty())
            return error;
    }
    if (run.split.active()) {
        SplitPart part;
        part.startMs = static_cast<uint32_t>(std::max<int64_t>(0, file.base));
        part.durationMs = static_cast<uint32_t>(std::clamp<int64_t>(OutputFileEnd(), 0, UINT32_MAX));
        part.packets = file.packets;
        std::error_code ec;
        part.bytes = std::filesystem::file_size(file.tempPath, ec);
        run.parts.push_back(part);
    }
    run.partTemps.push_back(file.tempPath);
    file.tempPath.clear();
    return {};
}

int RmMuxer::OutputStreamCount() const
{
    return m_run->outCount;
}

const rm::RmStreamHeader& RmMuxer::OutputStreamHeader(int out) const
{
    return m_streams[m_run->outs[out].lane];
}

int64_t RmMuxer::OutputFileEnd() const
{
    int64_t end = 0;
    for (int o = 0; o < m_run->outCount; ++o)
        end = std::max(end, m_run->file.streams[o].end);
    return end;
}

std::string RmMuxer::StartNextFile(int64_t time)
{
    RunState& run = *m_run;
    if (std::string error = run.output->endFile(false); !error.empty())
        return error;
    if (run.partTemps.size() >= 999 && SplitPartPath(m_outputPath, 1000) == SplitPartPath(m_outputPath, 999))
        return "The split would make more than 999 parts";

    // The next file starts at 0, with an index of its own.
    run.file = OutputFile{};
    run.file.base = time;
    if (std::string error = run.output->beginFile(false); !error.empty())
        return error;
    // The cursors release the packets they lend the output into the new file.
    for (int c = 0; c < run.cursorCount; ++c)
        run.cursors[c].cursor.setOutput(*m_out);
    return {};
}

void RmMuxer::SetWrittenDurations()
{
    // Each stream lasts to the end of its last packet; the file to the
    // latest of them.
    const RunState& run = *m_run;
    uint32_t longest = 0;
    for (int o = 0; o < run.outCount; ++o) {
        const uint32_t duration = static_cast<uint32_t>(std::clamp<int64_t>(run.file.streams[o].end, 0, UINT32_MAX));
        m_streams[run.outs[o].lane].fixed.duration = duration;
        longest = std::max(longest, duration);
    }
    m_props.duration = longest;
}

void RmMuxer::SetWrittenFigures()
{
    // What the output holds, not what its sources claimed: computed here,
    // once, from the counts the packet loop kept, whatever the job made of
    // the sources (side by side, one after another, cut to a range).
    const RunState& run = *m_run;
    const uint32_t duration = m_props.duration;
    m_props.max_bit_rate = run.file.written.maxBitRate(duration);
    m_props.avg_bit_rate = run.file.written.avgBitRate(duration);
    m_props.max_packet_size = run.file.written.maxPacketSize();
    m_props.avg_packet_size = run.file.written.avgPacketSize();
    for (int o = 0; o < run.outCount; ++o) {
        rm::RmStreamHeader::Fixed& fixed = m_streams[run.outs[o].lane].fixed;
        const WrittenFigures& written = run.file.streams[o].written;
        const uint32_t streamDuration = fixed.duration;
        fixed.max_bit_rate = written.maxBitRate(streamDuration);
        fixed.avg_bit_rate = written.avgBitRate(streamDuration);
        fixed.max_packet_size = written.maxPacketSize();
        fixed.avg_packet_size = written.avgPacketSize();
    }
}

std::string RmMuxer::PutAllInPlace(MuxJob& job)
{
    // Every file's name is judged before any file takes one, so that a
    // file that cannot be put in place changes no file. Everything that
    // could fail is done before the renames: from the moment the output
    // has its name, the run has completed.
    RunState& run = *m_run;
    const std::filesystem::path target(m_outputPath);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string syncError;
    syncError.reserve(256);
    std::vector<std::string> names;
    for (std::size_t k = 0; k < run.partTemps.size(); ++k) {
        if (!run.split.active()) {
            names.push_back(m_outputPath);
            continue;
        }
        names.push_back(SplitPartPath(m_outputPath, static_cast<int>(k + 1)));
        if (std::string problem = OutputPathProblem(names.back()); !problem.empty())
            return problem;
    }
    for (std::size_t k = 0; k < run.partTemps.size(); ++k) {
        if (std::string error = PutInPlace(run.partTemps[k], names[k]); !error.empty())
            return error;
        run.partTemps[k].clear();
        if (run.split.active())
            job.parts[k].path = names[k];
    }
    run.partTemps.clear();

    // The new names themselves, on disk too. The output is in place by now,
    // so a folder that cannot be synced is told, not undone; and should
    // even the telling fail for want of memory, the output stays.
    if (job.sync && !rm::syncFolder(folder, syncError)) {
        try {
            job.warnings.push_back({m_outputPath, 0, "its folder could not be flushed to disk: " + syncError});
        } catch (...) {
        }
    }
    return {};
}

std::string RmMuxer::PutInPlace(const std::string& temp, const std::string& path)
{
    // Only a complete output replaces what was at the path before, and it
    // keeps that file's permissions.
    std::error_code ec;
    const auto previous = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::is_regular_file(previous))
        std::filesystem::permissions(temp, previous.permissions(), ec);
    std::filesystem::rename(temp, path, ec);
    if (ec)
        return "Cannot put the output at " + path + ": " + ec.message();
    return {};
}

void RmMuxer::DiscardOutput()
{
    if (m_out) {
        m_out->close();
        m_out.reset();
    }
    std::error_code ec;
    if (!m_run->file.tempPath.empty()) {
        std::filesystem::remove(m_run->file.tempPath, ec);
        m_run->file.tempPath.clear();
    }
    // A split leaves no part behind, nor a run a finished file.
    for (const std::string& temp : m_run->partTemps)
        if (!temp.empty())
            std::filesystem::remove(temp, ec);
    m_run->partTemps.clear();
}
