// Ending a merge run: completing the output, cancelling, or failing.
#include <filesystem>
#include <system_error>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"

std::string RmMuxer::Complete()
{
    m_dataHeader.num_packets = m_packetsWritten;
    m_dataHeader.size = static_cast<uint32_t>(m_out->tell() - m_props.data_offset);
    m_props.num_packets = m_packetsWritten;
    // With no index chunk to write, 0 says that the file has none.
    const bool anyIndex = m_streamCount > 0 || m_addHelper;
    m_props.index_offset = anyIndex ? static_cast<uint32_t>(m_out->tell()) : 0;
    WriteIndexes();
    WriteDataHeader(false);
    WriteProperties(false);
    ReleaseRun();

    const bool written = m_out->close();
    const std::string writeError = m_out->error();
    m_out.reset();
    if (!written)
        return "Cannot write the output file: " + writeError;

    // Only a complete output replaces what was at the path before.
    std::error_code ec;
    const auto previous = std::filesystem::status(m_outputPath, ec);
    if (!ec && std::filesystem::is_regular_file(previous))
        std::filesystem::permissions(m_tempPath, previous.permissions(), ec);
    std::filesystem::rename(m_tempPath, m_outputPath, ec);
    if (ec)
        return "Cannot put the output at " + m_outputPath + ": " + ec.message();
    m_tempPath.clear();

    for (uint16_t f = 0; f < m_fileCount; ++f)
        m_files[f].reset();
    m_in = nullptr;
    return {};
}

void RmMuxer::ReleaseRun()
{
    for (int i = 0; i < kMaxStreams; ++i) {
        m_indexTables[i].clear();
        m_indexTables[i].shrink_to_fit();
        m_current[i].reset();
        m_queues[i].init();
    }
}

void RmMuxer::DiscardOutput()
{
    if (m_out) {
        m_out->close();
        m_out.reset();
    }
    if (!m_tempPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_tempPath, ec);
        m_tempPath.clear();
    }
}

void RmMuxer::AbortMerge()
{
    ReleaseRun();
    DiscardOutput();
}

void RmMuxer::Fail(MuxJob& job, const std::string& message)
{
    ReleaseRun();
    DiscardOutput();
    job.outcome = MuxOutcome::Failed;
    job.error = message;
    // The run is over: whoever shows its progress may stop waiting.
    g_progress = kProgressDone;
    g_stop = 1;
}
