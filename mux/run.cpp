// The merge run: the worker entry, the run from its job to its outcome, and
// the header pass over every input with the job's streams applied.
#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "mux/edit_settings.h"
#include "mux/merge_signals.h"
#include "mux/output_texts.h"
#include "mux/rm_muxer.h"
#include "mux/realmedia_output.h"
#include "mux/run_state.h"
#include "mux/source_end.h"
#include "mux/tolerant_reader.h"
#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/index_chain.h"

unsigned MuxWorker(void* job)
{
    auto* muxJob = static_cast<MuxJob*>(job);
    muxJob->muxer->Run(*muxJob);
    return 1;
}

void RmMuxer::Run(MuxJob& job)
{
    // Nothing may escape the worker thread: an allocation that fails, or
    // anything else the library throws, fails the run like any other fault.
    try {
        RunMerge(job);
    } catch (const std::bad_alloc&) {
        Fail(job, "The merge ran out of memory; nothing was written");
    } catch (const std::exception& e) {
        Fail(job, std::string("The merge failed: ") + e.what() + "; nothing was written");
    } catch (...) {
        Fail(job, "The merge failed; nothing was written");
    }
    // The run's state goes with it.
    m_run.reset();
}

void RmMuxer::RunMerge(MuxJob& job)
{
    job.outcome = MuxOutcome::NotRun;
    job.error.clear();
    job.streams.clear();
    job.warnings.clear();
    job.trim = {};
    job.parts.clear();
    job.refused = false;
    job.damage.clear();
    job.findings.clear();
    m_run = std::make_unique<RunState>(job);
    // A repair reads its sources with a reader that tolerates damage.
    if (job.repair)
        m_run->reader = std::make_unique<TolerantReader>(m_files, m_run->readFailure);
    else
        m_run->reader = std::make_unique<PlainReader>();
    m_run->output = job.output ? job.output(*this, job) : std::make_unique<RealMediaOutput>(*this, job);
    ClearRecord(job);

    if (std::string error = PrepareRun(job); !error.empty())
        return Fail(job, error);

    switch (PacketLoop()) {
    case LoopEnd::Cancelled:
        return Cancel(job);
    case LoopEnd::Failed:
        return Fail(job, m_run->readFailure.empty() ? "Cannot write the output file: " + m_run->output->writeError()
                                                    : m_run->readFailure);
    case LoopEnd::Finished:
        break;
    }

    std::string error = SourceEnd(*this, *m_run).checkWhatWasRead();
    if (error.empty())
        error = m_run->output->endFile(true);
    // Verify reads the whole output again: a Cancel may come while it does.
    if (error.empty() && g_stop)
        return Cancel(job);
    // (An output may warn as it ends its file.)
    if (error.empty() && job.strict && !m_run->warnings.empty())
        error = "The merge stopped at its warnings; nothing was written";
    ReleaseRun();
    if (error.empty()) {
        Report(job);
        error = m_run->output->putInPlace(job);
    }
    if (!error.empty())
        return Fail(job, error);
    // A completed merge lets go of its sources.
    ReleaseSources();
    job.outcome = MuxOutcome::Completed;
    g_progress = kProgressDone;
    g_stop = 1;
}

std::string RmMuxer::PrepareRun(MuxJob& job)
{
    std::string error;
    // A job given by its selection is judged by the streams Scan listed
    // first; every job by the output streams it lays out.
    if (!m_run->inputsGiven) {
        const SelectionCheck selection = CheckSelection(job.selection, job.addHelper);
        if (selection.problem != SelectionProblem::None)
            error = SelectionMessage(selection);
    }
    if (error.empty())
        error = ReadHeaders();
    if (error.empty())
        error = LayOutLanes();
    if (error.empty() && m_run->layout == JobLayout::EndToEnd) {
        error = CompareParts();
        job.refused = !error.empty();
    }
    if (error.empty())
        error = CheckTakenStreams();
    if (error.empty())
        error = OutputTextsProblem(job, m_run->outCount);
    if (error.empty())
        error = EditSettingsProblem(job, m_run->outCount, m_outputPath);
    if (error.empty())
        error = ApplyOutputTexts(job);
    if (error.empty()) {
        PrepareIndexes(job);
        error = m_run->output->beginFile(true);
    }
    return error;
}

void RmMuxer::ClearRecord(const MuxJob& job)
{
    // The record's run fields start empty; the job's streams are selected.
    m_streamCount = 0;
    std::fill(std::begin(m_selected), std::end(m_selected), uint16_t{0});
    if (m_run->inputsGiven) {
        for (const JobInput& input : job.inputs)
            for (uint16_t number : input.streams)
                if (input.file < kMaxSources && number < 10)
                    m_selected[input.file * 10 + number] = 1;
    } else {
        std::memcpy(m_selected, job.selection, sizeof m_selected);
    }
    std::fill(std::begin(m_streamMap), std::end(m_streamMap), kNoStream);
    std::fill(std::begin(m_streamDone), std::end(m_streamDone), uint8_t{0});
    for (int l = 0; l < kMaxLanes; ++l) {
        m_indexTables[l].clear();
        m_queues[l].init();
        m_current[l].reset();
    }
    m_addHelper = job.addHelper;
    m_indexTotal = 0;
    // Chunks the output always carries start out empty, for sources that
    // lack them; the writers give each chunk the size of what it holds.
    m_fileHeader = {};
    m_props = {};
    m_content = {};
    m_dataHeader = {};
    m_dataHeader.size = rm::kDataHeaderChunkSize;
}

std::string RmMuxer::ReadHeaders()
{
    // Texts come from the first input's file where the job gives none.
    const std::vector<JobInput>& inputs = m_run->inputs;
    const int firstFile = inputs.empty() ? -1 : inputs.front().file;
    rm::RmContent firstContent{};
    for (uint16_t f = 0; f < m_fileCount; ++f) {
        const bool input =
            std::any_of(inputs.begin(), inputs.end(), [f](const JobInput& in) { return in.file == f; });
        if (m_listing.removed[f] || (m_run->inputsGiven && !input))
            continue;
        if (std::string error = ReadSourceHeaders(f); !error.empty())
            return error;
        if (f == firstFile)
            firstContent = m_content;
    }
    if (firstFile >= 0)
        m_content = firstContent;
    if (!m_run->inputsGiven)
        InputsFromSlots();
    return {};
}

std::string RmMuxer::ReadSourceHeaders(uint16_t f)
{
    m_in = m_files[f].get();
    if (!m_in || !m_in->isOpen())
        return "A source file is no longer open; add the files again";

    // The file must still read as Scan read it; one that does not has changed.
    m_props = {};
    SourceReader& reader = *m_run->reader;
    const HeaderWalk walk = WalkHeaderSection(f, true, reader.headerDamage());
    if (walk.end == rm::HeaderEnd::ReadError)
        return m_in->readError();
    if (walk.refused == StreamTake::TooLarge)
        return m_in->path() + ": a selected stream has more than 2048 bytes of codec data";
    if (walk.refused == StreamTake::NoRoom)
        return "More than 10 streams are selected; a merge holds at most 10";
    if (!reader.headerUsable(walk, m_props.data_offset, m_in->size())) {
        if (!walk.sawProperties)
            return m_in->path() + " has no properties chunk";
        return "Cannot read the header section of " + m_in->path() + "; has the file changed?";
    }

    // The output lasts as long as its longest source; its other figures are
    // those of the packets written, set when the output is finished.
    m_run->mergedDuration = std::max(m_run->mergedDuration, static_cast<uint32_t>(m_props.duration));

    if (reader.usesSourceIndex()) {
        LoadIndexes(f);
        if (m_in->failed())
            return m_in->readError();
    }
    return reader.locateData(f, *m_in, m_props, walk, m_run->sources[f], m_dataHeader);
}

void RmMuxer::LoadIndexes(uint16_t f)
{
    bool loaded[kMaxLanes] = {};
    rm::IndexChain chain(*m_in, m_props.index_offset);
    rm::RmIndexHeader header;
    while (chain.next(header)) {
        const uint16_t number = header.stream_number;
        if (!Taken(f, number))
            continue;
        const uint16_t o = m_streamMap[f * 10 + number];
        // A stream's first index chunk is the one kept.
        if (loaded[o])
            continue;
        loaded[o] = true;

        // Never trust num_indices beyond the bytes the file still holds.
        std::vector<rm::RmIndexEntry>& table = m_indexTables[o];
        table.resize(static_cast<std::size_t>(rm::heldIndexRecords(*m_in, header)));
        std::size_t read = 0;
        while (read < table.size() && rm::readRecord(*m_in, table[read]))
            ++read;
        table.resize(read);

        // The chunk as it will be written: its own number, and a size that
        // matches the records it carries, so the next_index_header chain holds.
        header.num_indices = static_cast<uint32_t>(read);
        header.size = rm::kIndexHeaderChunkSize + rm::kIndexEntrySize * header.num_indices;
        header.stream_number = o;
        m_indexHeaders[o] = header;
        m_indexTotal += static_cast<float>(header.num_indices);
    }
}

std::string RmMuxer::CheckTakenStreams() const
{
    // The streams the header pass took, judged again by the same rules: a
    // file may have changed since it was listed.
    int videos = 0;
    for (int o = 0; o < m_run->outCount; ++o)
        videos += KindOf(m_streams[m_run->outs[o].lane]) == kVideoStream;
    const SelectionCheck check = judgeSelection(videos, m_run->outCount, m_addHelper);
    return check.problem == SelectionProblem::None ? std::string() : SelectionMessage(check);
}
