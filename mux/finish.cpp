// Ending a merge run: its report, and what it lets go of when it completes,
// is cancelled or fails.
#include <algorithm>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "rm/output_file.h"

void RmMuxer::ReleaseSources()
{
    for (uint16_t f = 0; f < m_fileCount; ++f)
        m_files[f].reset();
    m_in = nullptr;
}

void RmMuxer::Report(MuxJob& job)
{
    const RunState& run = *m_run;
    job.streams.clear();
    for (int o = 0; o < run.outCount; ++o) {
        const OutputStream& out = run.outs[o];
        const uint16_t f = m_sourceFile[out.lane];
        StreamReport report{m_files[f] ? m_files[f]->path() : std::string(), m_sourceStream[out.lane], out.packets,
                            out.indexCopied, out.indexBuilt};
        report.droppedByDelay = out.droppedByDelay;
        job.streams.push_back(report);
    }
    job.warnings = run.warnings;
    std::string kinds[kMaxStreams];
    for (int o = 0; o < run.outCount; ++o) {
        const StreamKind kind = KindOf(m_streams[run.outs[o].lane]);
        kinds[o] = kind == kVideoStream ? "video" : kind == kAudioStream ? "audio" : "stream " + std::to_string(o);
    }
    run.range.report(job.trim, run.lanes, m_streamCount, kinds, run.outCount, run.bytesRead);
    job.parts = run.parts;
    // (A run whose reader could not even be made has read nothing.)
    if (run.reader)
        run.reader->reportDamage(job.damage, job.findings, *this, run);
}

void RmMuxer::ReleaseRun()
{
    // Packets still pending in the output lie in the cursors' windows.
    if (m_out)
        m_out->flush();
    for (int i = 0; i < kMaxLanes; ++i) {
        m_indexTables[i].clear();
        m_indexTables[i].shrink_to_fit();
        m_current[i].reset();
        m_queues[i].release();
        m_run->cursors[i].cursor.stop();
    }
    for (OutputFile::Stream& stream : m_run->file.streams) {
        stream.index.clear();
        stream.index.shrink_to_fit();
    }
    m_run->cursorCount = 0;
}

void RmMuxer::AbortMerge()
{
    ReleaseRun();
    m_run->output->discard();
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
    // A run that could not even be set up has nothing to let go of.
    if (m_run) {
        ReleaseRun();
        // (A run whose output could not even be made has written nothing.)
        if (m_run->output)
            m_run->output->discard();
        Report(job);
    }
    job.outcome = MuxOutcome::Failed;
    job.error = message;
    // The run is over: whoever shows its progress may stop waiting.
    g_progress = kProgressDone;
    g_stop = 1;
}
