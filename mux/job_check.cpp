// The check of a job before it runs: what would stop it, found by the run's
// own header pass and lane layout and by the check of each source's
// packets, without creating or writing anything.
#include <algorithm>
#include <limits>

#include "mux/media_time.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/source_check.h"
#include "mux/tolerant_reader.h"

namespace {

// Where a part's selected streams start and end in its own time: the
// first and last packet, and the end of the last one by its stream's
// usual spacing, as the run ends a part.
struct PartSpan {
    bool any = false;
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = 0;
    int64_t end = 0;
};

void Widen(PartSpan& span, const SourceCheck& check, const std::vector<uint16_t>& streams)
{
    for (const StreamCheck& stream : check.streams) {
        if (stream.packets == 0 || std::find(streams.begin(), streams.end(), stream.number) == streams.end())
            continue;
        const int64_t step = stream.packets > 1
                                 ? (int64_t{stream.lastTimestamp} - stream.firstTimestamp) / (stream.packets - 1)
                                 : 0;
        span.any = true;
        span.first = std::min<int64_t>(span.first, stream.firstTimestamp);
        span.last = std::max<int64_t>(span.last, stream.lastTimestamp);
        span.end = std::max<int64_t>(span.end, int64_t{stream.lastTimestamp} + std::max<int64_t>(step, 0));
    }
}

}  // namespace

std::string RmMuxer::CheckJob(const MuxJob& job)
{
    // A run's state for the check alone, with the reader the run would
    // use; it is let go of when the check ends, and no output is made.
    m_run = std::make_unique<RunState>(job);
    if (job.repair)
        m_run->reader = std::make_unique<TolerantReader>(m_files, m_run->readFailure);
    else
        m_run->reader = std::make_unique<PlainReader>();
    ClearRecord(job);
    const std::string problem = JobProblem(job);
    m_run.reset();
    return problem;
}

std::string RmMuxer::JobProblem(const MuxJob& job)
{
    const bool byInputs = m_run->inputsGiven;
    if (std::none_of(std::begin(m_selected), std::end(m_selected), [](uint16_t s) { return s != 0; }))
        return "No stream is selected; an output needs at least one";
    if (!byInputs) {
        const SelectionCheck selection = CheckSelection(job.selection, job.addHelper);
        if (selection.problem != SelectionProblem::None)
            return SelectionMessage(selection);
    }
    // The run's header pass; a source that a stream is taken from and that
    // has no data chunk gives the output nothing.
    std::string error = ReadHeaders();
    for (int l = 0; l < m_streamCount && error.empty(); ++l) {
        const uint16_t f = m_sourceFile[l];
        if (!m_run->sources[f].hasDataChunk)
            error = m_run->reader->noPackets(m_files[f]->path(), false);
    }
    if (error.empty())
        error = LayOutLanes();
    if (error.empty() && m_run->layout == JobLayout::EndToEnd)
        error = CompareParts();
    if (error.empty())
        error = CheckTakenStreams();
    if (!error.empty() || (!job.startMs && !job.endMs))
        return error;

    // The range, in the output's time: the parts one after another.
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> parts;
    if (byInputs && job.layout == JobLayout::EndToEnd) {
        for (const JobInput& input : job.inputs)
            parts.push_back({input.file, input.streams});
    } else {
        for (int l = 0; l < m_streamCount; ++l)
            parts.push_back({m_sourceFile[l], {m_sourceStream[l]}});
    }
    PartSpan output;
    int64_t offset = 0;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        PartSpan span;
        Widen(span, CheckSource(m_files[parts[p].first]->path()), parts[p].second);
        // Side by side, every stream keeps its own times; end to end, a part
        // after the first starts, by its own first packet, where the one
        // before it ends.
        const bool after = byInputs && job.layout == JobLayout::EndToEnd;
        const int64_t shift = after && p > 0 && span.any ? offset - span.first : 0;
        if (span.any) {
            output.any = true;
            output.first = std::min(output.first, shift + span.first);
            output.last = std::max(output.last, shift + span.last);
            output.end = std::max(output.end, shift + span.end);
        }
        if (after && span.any)
            offset = shift + span.end;
    }
    if (!output.any)
        return {};
    if (job.startMs && *job.startMs > output.last)
        return "The start " + formatMediaTime(*job.startMs) + " lies past the end of the output, at "
               + formatMediaTime(static_cast<uint32_t>(output.end));
    if (job.endMs && *job.endMs <= output.first)
        return "The range up to " + formatMediaTime(*job.endMs) + " holds no packet: the output's first packet is at "
               + formatMediaTime(static_cast<uint32_t>(output.first));
    return {};
}
