// Each file of the output, from its creation to its place: its header
// section, its completion (index, figures, on disk), its verification, and
// its rename over the output's path. A run writes one file; a split writes
// several in turn, each through the same steps.
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "mux/header_figures.h"
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
    m_props.duration = run.mergedDuration;
    SetWrittenFigures();
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
        SetWrittenDurations(last ? std::nullopt : std::optional<int64_t>(run.nextFileAt));
    if (run.durationsWritten && m_props.duration == 0)
        return "The output would last 0 ms: its packets are all at 0 and their codec headers give no length; "
               "nothing was written";
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
        // A part lasts to the next part's start; the last, to its longest stream's end.
        const int64_t length = run.nextFileAt > file.base ? run.nextFileAt - file.base : OutputFileEnd();
        part.durationMs = static_cast<uint32_t>(std::clamp<int64_t>(length, 0, UINT32_MAX));
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
    int64_t ends[kMaxStreams] = {};
    WrittenStreamEnds(ends);
    return m_run->outCount == 0 ? 0 : *std::max_element(ends, ends + m_run->outCount);
}

void RmMuxer::WrittenStreamEnds(int64_t ends[]) const
{
    // Each stream lasts to its last unit's end, in the file's time.
    const RunState& run = *m_run;
    for (int l = 0; l < m_streamCount; ++l) {
        const Lane& lane = run.lanes[l];
        if (lane.written != 0 && lane.plan && lane.plan->lastEnd())
            ends[lane.out] = std::max(ends[lane.out], *lane.plan->lastEnd() - run.range.shift()
                                                          + run.range.delay(lane.out) - run.file.base);
    }
}

std::string RmMuxer::StartNextFile(int64_t time)
{
    RunState& run = *m_run;
    // The file ends where the next one starts.
    run.nextFileAt = time;
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

void RmMuxer::SetWrittenDurations(std::optional<int64_t> nextFileAt)
{
    // Each stream lasts to its last unit's end, every stream of a split's
    // part to the next part's start; a stream without a packet as long as
    // the file, so that its header stays usable. The file lasts as long as
    // its longest stream.
    const RunState& run = *m_run;
    int64_t ends[kMaxStreams] = {};
    WrittenStreamEnds(ends);
    if (nextFileAt)
        std::fill(ends, ends + run.outCount, *nextFileAt - run.file.base);
    const int64_t longest = run.outCount == 0 ? 0 : *std::max_element(ends, ends + run.outCount);
    for (int o = 0; o < run.outCount; ++o)
        m_streams[run.outs[o].lane].fixed.duration =
            static_cast<uint32_t>(std::clamp<int64_t>(ends[o] > 0 ? ends[o] : longest, 0, UINT32_MAX));
    m_props.duration = static_cast<uint32_t>(std::clamp<int64_t>(longest, 0, UINT32_MAX));
}

void RmMuxer::SetWrittenFigures()
{
    // The streams' rates and sizes are their producers'; only their
    // durations follow the job. The file's follow from its streams', but
    // for the average packet size: that of the packets written.
    const RunState& run = *m_run;
    std::vector<rm::RmStreamHeader::Fixed> streams;
    for (int o = 0; o < run.outCount; ++o)
        streams.push_back(m_streams[run.outs[o].lane].fixed);
    setFileFigures(m_props, streams, run.file.written.avgPacketSize());
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
    // The parts of an earlier split that this one's did not replace.
    for (const std::string& stale : job.overwrite ? ExistingSplitParts(m_outputPath) : std::vector<std::string>()) {
        std::error_code ec;
        if (std::find(names.begin(), names.end(), stale) == names.end() && !std::filesystem::remove(stale, ec))
            job.warnings.push_back({stale, 0, "a part of an earlier split could not be removed: " + ec.message()});
    }

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
