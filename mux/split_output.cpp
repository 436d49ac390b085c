// The output side of a split: where a part file ends (at a keyframe of the
// video, or an audio block start), closing it and opening the next, and
// putting all the parts in place once every one of them is complete.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "mux/rm_muxer.h"
#include "rm/output_file.h"

std::string SplitPartPath(const std::string& output, int number)
{
    // A printf-style "%d" (or "%03d") in the name takes the number.
    for (std::size_t at = output.find('%'); at != std::string::npos; at = output.find('%', at + 1)) {
        std::size_t end = at + 1;
        while (end < output.size() && end - at <= 3 && output[end] >= '0' && output[end] <= '9')
            ++end;
        if (end < output.size() && output[end] == 'd') {
            const int width = end > at + 1 ? std::stoi(output.substr(at + 1, end - at - 1)) : 0;
            char digits[16];
            std::snprintf(digits, sizeof digits, "%0*d", width, number);
            return output.substr(0, at) + digits + output.substr(end + 1);
        }
    }
    // Else "-001" before the extension.
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%03d", number);
    const std::size_t slash = output.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = output.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        return output + suffix;
    return output.substr(0, dot) + suffix + output.substr(dot);
}

bool RmMuxer::SplitsBefore(int l, int64_t time)
{
    // Only the first packet of a keyframe of the video (else of output
    // stream 0) may open a part.
    const uint16_t o = m_laneOut[l];
    const rm::RmPacketHeader& header = m_current[l].header;
    const bool starts = o == m_splitAnchor && IsKeyframe(m_sourceFile[l], header, m_current[l].offset)
                        && (!m_splitAnchorSeen || time != m_splitAnchorTime);
    // A boundary at or before where the output starts is none.
    while (o == m_splitAnchor && !m_splitAnchorSeen && m_nextCut < m_split.atMs.size()
           && time >= m_split.atMs[m_nextCut])
        ++m_nextCut;
    if (o == m_splitAnchor) {
        m_splitAnchorTime = time;
        m_splitAnchorSeen = true;
    }
    if (!starts)
        return false;
    // The bytes from one keyframe to the next, at most: what a part may
    // still take after a keyframe.
    m_largestRun = std::max(m_largestRun, m_splitBytes - m_runStart);
    m_runStart = m_splitBytes;
    if (m_splitBytes == 0)
        return false;
    bool cut = false;
    if (m_split.everyMs && time - m_splitBase >= *m_split.everyMs)
        cut = true;
    // The header section and the index take some of a part's size too.
    if (m_split.sizeBytes) {
        uint64_t records = 0;
        for (int o = 0; o < m_outCount; ++o)
            records += m_outIndex[o].size() + 2;
        const uint64_t overhead = m_props.data_offset + 64 + records * (rm::kIndexEntrySize + 2);
        cut = cut || m_splitBytes + m_largestRun + overhead > *m_split.sizeBytes;
    }
    while (m_nextCut < m_split.atMs.size() && time >= m_split.atMs[m_nextCut]) {
        cut = true;
        ++m_nextCut;
    }
    return cut;
}

void RmMuxer::NoteSplitPart()
{
    SplitPart part;
    part.startMs = static_cast<uint32_t>(std::max<int64_t>(0, m_splitBase));
    for (int o = 0; o < m_outCount; ++o)
        part.durationMs = std::max(part.durationMs, static_cast<uint32_t>(std::clamp<int64_t>(m_outEnd[o], 0, UINT32_MAX)));
    part.packets = m_packetsWritten;
    std::error_code ec;
    part.bytes = std::filesystem::file_size(m_tempPath, ec);
    m_parts.push_back(part);
}

std::string RmMuxer::StartNextSplitPart(const MuxJob& job, int64_t time)
{
    if (std::string error = FinishFile(job); !error.empty())
        return error;
    NoteSplitPart();
    m_partTemps.push_back(m_tempPath);
    m_tempPath.clear();
    if (m_partTemps.size() >= 999 && SplitPartPath(m_outputPath, 1000) == SplitPartPath(m_outputPath, 999))
        return "The split would make more than 999 parts";

    // The next part starts at 0, with an index of its own.
    m_splitBase = time;
    m_splitBytes = m_runStart = 0;
    m_packetsWritten = 0;
    std::fill(std::begin(m_outEnd), std::end(m_outEnd), int64_t{0});
    m_written = {};
    for (int o = 0; o < kMaxStreams; ++o) {
        m_outIndex[o].clear();
        m_anyIndexed[o] = false;
        m_nextIndexSecond[o] = 0;
    }
    if (std::string error = CreateOutput(); !error.empty())
        return error;
    // The cursors write their packets into the new part.
    for (int c = 0; c < m_cursorCount; ++c)
        m_cursors[c].setOutput(*m_out);
    return WriteHeaderSection(false);
}

std::string RmMuxer::PutPartsInPlace(MuxJob& job)
{
    namespace fs = std::filesystem;
    // Every part's name is judged before any part takes one, so that a
    // part that cannot be put in place changes no file.
    std::vector<std::string> names;
    for (std::size_t k = 0; k < m_partTemps.size(); ++k) {
        names.push_back(SplitPartPath(m_outputPath, static_cast<int>(k + 1)));
        if (std::string problem = OutputPathProblem(names.back()); !problem.empty())
            return problem;
    }
    for (std::size_t k = 0; k < m_partTemps.size(); ++k) {
        std::error_code ec;
        const auto previous = fs::status(names[k], ec);
        if (!ec && fs::is_regular_file(previous))
            fs::permissions(m_partTemps[k], previous.permissions(), ec);
        fs::rename(m_partTemps[k], names[k], ec);
        if (ec)
            return "Cannot put the output at " + names[k] + ": " + ec.message();
        job.parts[k].path = names[k];
    }
    m_partTemps.clear();
    // The parts of an earlier split that this one's did not replace.
    for (const std::string& stale : job.overwrite ? ExistingSplitParts(m_outputPath) : std::vector<std::string>()) {
        std::error_code ec;
        if (std::find(names.begin(), names.end(), stale) == names.end() && !fs::remove(stale, ec))
            job.warnings.push_back({stale, 0, "a part of an earlier split could not be removed: " + ec.message()});
    }
    const fs::path target(m_outputPath);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string syncError;
    if (job.sync && !rm::syncFolder(folder, syncError))
        job.warnings.push_back({m_outputPath, 0, "its folder could not be flushed to disk: " + syncError});
    return {};
}
