// Everything one merge run needs beside the muxer's record: created when
// Run starts and dropped when it ends, so that no run sees another's state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mux/lane.h"
#include "mux/mux_output.h"
#include "mux/mux_job.h"
#include "mux/mux_limits.h"
#include "mux/output_file.h"
#include "mux/output_stream.h"
#include "mux/range_plan.h"
#include "mux/source.h"
#include "mux/source_cursor.h"
#include "mux/source_reader.h"
#include "mux/split_plan.h"

// A cursor reading one source for the lanes of the part being read.
struct OpenCursor {
    SourceCursor cursor;
    uint16_t source = 0;
    uint64_t from = 0;     // where it started reading
    bool primary = false;  // the cursor that counts the source's packets
};

struct RunState {
    explicit RunState(const MuxJob& job);

    // The job's inputs, in order: as it gives them, or as the header pass
    // took the streams its selection names (file by file, side by side).
    std::vector<JobInput> inputs;
    bool inputsGiven = false;
    JobLayout layout = JobLayout::SideBySide;

    // How the sources' packets are read: plainly, or past damage for a repair.
    std::unique_ptr<SourceReader> reader;
    RangePlan range;
    // What the packets are written to: RealMedia, or the format the job asks.
    std::unique_ptr<MuxOutput> output;
    SplitPlan split;

    Source sources[kMaxSources];
    Lane lanes[kMaxLanes];
    OutputStream outs[kMaxStreams];
    uint16_t outCount = 0;  // output streams; the muxer's m_streamCount counts the lanes
    int partCount = 1;

    // The cursors of the part being read: one per source to start with,
    // and one more for each lane given a cursor of its own.
    OpenCursor cursors[kMaxLanes];
    int cursorCount = 0;

    // The file being written, and a split's parts finished before it, each
    // waiting under its temporary name until every one is complete.
    OutputFile file;
    std::vector<std::string> partTemps;
    std::vector<SplitPart> parts;

    // The output's duration: the longest of its sources'; or, for any job
    // but a plain merge, each stream's from the packets written.
    uint32_t mergedDuration = 0;
    bool durationsWritten = false;

    std::vector<MergeWarning> warnings;
    // The first source read that failed: it fails the run.
    std::string readFailure;

    // Progress: index records passed of the sum of the sources', or else
    // bytes of packets read of their data's.
    float progressCount = 0;
    uint64_t bytesTotal = 0;
    uint64_t bytesDone = 0;
    uint64_t bytesRead = 0;  // packet data read, for the trim's report
};
