// The merge run: the worker entry, the reset, the header pass over every
// source with the selection applied, and the output's header section.
#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/chunk_ids.h"
#include "rm/chunk_readers.h"
#include "rm/data_chunk.h"
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
    Reset(job);
    m_addHelper = job.addHelper;
    m_repair = job.repair;

    std::string error;
    // A job given by its inputs is judged by the output streams it lays out.
    if (job.inputs.empty()) {
        const SelectionCheck selection = CheckSelection(job.selection, job.addHelper);
        if (selection.problem != SelectionProblem::None)
            error = SelectionMessage(selection);
    }
    // Texts come from the first input's file where the job gives none.
    const int firstFile = job.inputs.empty() ? -1 : job.inputs.front().file;
    rm::RmContent firstContent{};
    for (uint16_t f = 0; f < m_fileCount && error.empty(); ++f) {
        const bool input = std::any_of(job.inputs.begin(), job.inputs.end(),
                                       [f](const JobInput& in) { return in.file == f; });
        if (m_removed[f] || (!job.inputs.empty() && !input))
            continue;
        error = ReadSourceHeaders(f);
        if (f == firstFile)
            firstContent = m_content;
    }
    if (firstFile >= 0)
        m_content = firstContent;
    if (error.empty())
        error = LayOutLanes(job);
    if (error.empty() && job.layout == JobLayout::EndToEnd) {
        error = CompareParts();
        job.refused = !error.empty();
    }
    if (error.empty())
        error = CheckTakenStreams();
    if (error.empty() && job.split.active() && job.verify)
        error = "A split cannot be verified yet; split without verifying, then check each part";
    for (int o = 0; o < m_outCount; ++o)
        if (IsVideo(m_streams[m_outLane[o]]))
            m_splitAnchor = static_cast<uint16_t>(o);
    if (error.empty())
        error = OutputTextsProblem(job, m_outCount);
    if (error.empty())
        error = ApplyOutputTexts(job);
    if (error.empty()) {
        PrepareIndexes(job);
        error = CreateOutput();
    }
    if (error.empty())
        error = WriteHeaderSection();
    if (!error.empty())
        return Fail(job, error);

    switch (PacketLoop(job)) {
    case LoopEnd::Cancelled:
        return Cancel(job);
    case LoopEnd::Failed:
        return Fail(job, m_readFailure.empty() ? "Cannot write the output file: " + m_out->error() : m_readFailure);
    case LoopEnd::Finished:
        break;
    }

    error = CheckWhatWasRead();
    if (error.empty() && job.strict && !m_warnings.empty())
        error = "The merge stopped at its warnings; nothing was written";
    if (error.empty())
        error = FinishOutput(job);
    if (error.empty() && job.verify)
        error = VerifyOutput(job);
    // Verify reads the whole output again: a Cancel may come while it does.
    if (error.empty() && g_stop)
        return Cancel(job);
    if (error.empty()) {
        Report(job);
        error = m_split.active() ? PutPartsInPlace(job) : PutInPlace(job);
    }
    if (!error.empty())
        return Fail(job, error);
    // A completed merge lets go of its sources.
    ReleaseSources();
    job.outcome = MuxOutcome::Completed;
    g_progress = kProgressDone;
    g_stop = 1;
}

void RmMuxer::Reset(const MuxJob& job)
{
    m_streamCount = 0;
    m_outCount = 0;
    m_partCount = 1;
    if (job.inputs.empty()) {
        std::memcpy(m_selected, job.selection, sizeof m_selected);
    } else {
        std::fill(std::begin(m_selected), std::end(m_selected), uint16_t{0});
        for (const JobInput& input : job.inputs)
            for (uint16_t number : input.streams)
                if (input.file < kMaxSources && number < 10)
                    m_selected[input.file * 10 + number] = 1;
    }
    m_trimStart = job.startMs;
    m_trimEnd = job.endMs;
    m_startPending = job.startMs.has_value();
    m_keepTimestamps = job.keepTimestamps;
    m_trimShift = 0;
    m_split = job.split;
    m_splitBase = 0;
    m_splitBytes = 0;
    m_nextCut = 0;
    m_partTemps.clear();
    m_parts.clear();
    m_bytesRead = 0;
    m_durationsWritten = job.layout == JobLayout::EndToEnd || job.startMs || job.endMs || !job.delays.empty()
                         || job.split.active();
    std::fill(std::begin(m_delay), std::end(m_delay), int64_t{0});
    for (const auto& [stream, ms] : job.delays)
        if (stream < kMaxStreams)
            m_delay[stream] = ms;
    std::fill(std::begin(m_droppedByDelay), std::end(m_droppedByDelay), 0u);
    std::fill(std::begin(m_outEnd), std::end(m_outEnd), int64_t{0});
    std::fill(std::begin(m_partOffset), std::end(m_partOffset), int64_t{0});
    std::fill(std::begin(m_readWhole), std::end(m_readWhole), false);
    std::fill(std::begin(m_laneWait), std::end(m_laneWait), LaneWait::None);
    std::fill(std::begin(m_laneWritten), std::end(m_laneWritten), 0u);
    std::fill(std::begin(m_laneCut), std::end(m_laneCut), false);
    std::fill(std::begin(m_laneStepAt), std::end(m_laneStepAt), uint8_t{0});
    std::fill(std::begin(m_laneSeen), std::end(m_laneSeen), false);
    std::fill(std::begin(m_laneLatest), std::end(m_laneLatest), int64_t{0});
    std::fill(std::begin(m_cursorOf), std::end(m_cursorOf), int8_t{-1});
    m_splitAnchor = 0;
    m_splitAnchorSeen = false;
    m_splitAnchorTime = 0;
    m_runStart = m_largestRun = 0;
    for (auto& steps : m_laneSteps)
        std::fill(std::begin(steps), std::end(steps), 0u);
    m_mergedDuration = 0;
    m_written = {};
    std::fill(std::begin(m_streamWritten), std::end(m_streamWritten), WrittenFigures{});
    std::fill(std::begin(m_streamDone), std::end(m_streamDone), uint8_t{0});
    std::fill(std::begin(m_hasCurrent), std::end(m_hasCurrent), false);
    m_addHelper = false;
    m_indexTotal = 0;

    std::fill(std::begin(m_streamMap), std::end(m_streamMap), kNoStream);
    for (auto& table : m_indexTables)
        table.clear();
    for (auto& queue : m_queues)
        queue.init();
    std::fill(std::begin(m_packetsPromised), std::end(m_packetsPromised), 0u);
    std::fill(std::begin(m_packetsFound), std::end(m_packetsFound), 0u);
    std::fill(std::begin(m_sourceEnded), std::end(m_sourceEnded), false);
    std::fill(std::begin(m_hasDataChunk), std::end(m_hasDataChunk), false);
    std::fill(std::begin(m_packetsCopied), std::end(m_packetsCopied), 0u);
    m_warnings.clear();
    m_readFailure.clear();
    m_bytesTotal = m_bytesDone = 0;
    m_skips.clear();
    std::fill(std::begin(m_lastStreamRead), std::end(m_lastStreamRead), std::nullopt);
    std::fill(std::begin(m_lastSearch), std::end(m_lastSearch), std::nullopt);
    std::fill(std::begin(m_skipsPassed), std::end(m_skipsPassed), std::size_t{0});
    std::fill(std::begin(m_lastWritten), std::end(m_lastWritten), std::nullopt);
    std::fill(std::begin(m_largestStep), std::end(m_largestStep), 0u);

    // Chunks the output always carries start out empty, for sources that
    // lack them; the writers give each chunk the size of what it holds.
    m_fileHeader = {};
    m_props = {};
    m_content = {};
    m_dataHeader = {};
    m_dataHeader.size = rm::kDataHeaderChunkSize;
}

std::string RmMuxer::ReadSourceHeaders(uint16_t f)
{
    m_in = m_files[f].get();
    if (!m_in || !m_in->isOpen())
        return "A source file is no longer open; add the files again";

    // The file must still read as Scan read it; one that does not has changed.
    m_props = {};
    const HeaderWalk walk = WalkHeaderSection(f, true);
    if (walk.end == rm::HeaderEnd::ReadError)
        return m_in->readError();
    if (walk.refused == StreamTake::TooLarge)
        return m_in->path() + ": a selected stream has more than 2048 bytes of codec data";
    if (walk.refused == StreamTake::NoRoom)
        return "More than 10 streams are selected; a merge holds at most 10";
    if (m_repair ? !walk.sawProperties : !walk.usable(m_props.data_offset, m_in->size())) {
        if (!walk.sawProperties)
            return m_in->path() + " has no properties chunk";
        return "Cannot read the header section of " + m_in->path() + "; has the file changed?";
    }

    // The output lasts as long as its longest source; its other figures are
    // those of the packets written, set when the output is finished.
    const uint32_t duration = m_props.duration;
    m_mergedDuration = std::max(m_mergedDuration, duration);

    // A repair builds the index from the packets it writes: the source's
    // may point anywhere.
    if (m_repair)
        return LocateDamagedData(f, walk);
    LoadIndexes(f);
    if (m_in->failed())
        return m_in->readError();
    return LocateData(f, walk);
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

std::string RmMuxer::LocateData(uint16_t f, const HeaderWalk& walk)
{
    const rm::DataChunk data =
        rm::locateDataChunk(*m_in, m_props, walk.end == rm::HeaderEnd::Data ? walk.endOffset : 0);
    if (m_in->failed())
        return m_in->readError();
    if (!data.found) {
        // A file without one has no packets.
        m_dataStart[f] = 0;
        m_dataWalk[f] = {};
        m_sourceEnded[f] = true;
        return {};
    }
    m_hasDataChunk[f] = true;
    m_dataHeader = data.header;
    m_dataStart[f] = data.start;
    m_dataWalk[f] = rm::DataWalk(data, m_in->size(), m_props.index_offset);
    m_packetsPromised[f] = m_props.num_packets;
    return {};
}

std::string RmMuxer::CheckTakenStreams() const
{
    // The streams the header pass took, judged again by the same rules: a
    // file may have changed since it was listed.
    int videos = 0;
    for (int o = 0; o < m_outCount; ++o)
        videos += KindOf(m_streams[m_outLane[o]]) == kVideoStream;
    const SelectionCheck check = judgeSelection(videos, m_outCount, m_addHelper);
    return check.problem == SelectionProblem::None ? std::string() : SelectionMessage(check);
}

std::string RmMuxer::WriteHeaderSection(bool first)
{
    m_props.num_streams = m_outCount;
    if (!first)
        m_props.num_packets = 0;
    m_props.avg_bit_rate = m_props.max_bit_rate = 0;
    m_props.avg_packet_size = m_props.max_packet_size = 0;
    m_props.duration = m_mergedDuration;
    // A player fills its buffer for the longest preroll any stream asks.
    uint32_t preroll = 0;
    for (int o = 0; o < m_outCount; ++o)
        preroll = std::max<uint32_t>(preroll, m_streams[m_outLane[o]].fixed.preroll);
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

    for (int i = 0; i < m_streamCount; ++i)
        m_queues[i].init();
    m_readAhead = {};
    m_packetsWritten = 0;
    m_progressCount = 0;
    g_progress = 0;

    // Progress by bytes stands in when no selected stream has index records.
    for (uint16_t f = 0; f < m_fileCount; ++f)
        if (std::any_of(m_sourceFile, m_sourceFile + m_streamCount, [f](uint16_t s) { return s == f; }))
            m_bytesTotal += m_dataWalk[f].reach() - m_dataStart[f];

    if (m_out->failed())
        return "Cannot write the output file: " + m_out->error();
    return {};
}
