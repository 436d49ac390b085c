// The end of a source's data, judged against what its headers count; and
// what the run read of its sources, judged once the packet loop is over.
// Both leave warnings in the run, or say why it fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rm/data_walk.h"

class RmMuxer;
class SourceCursor;
struct RunState;

class SourceEnd {
public:
    SourceEnd(RmMuxer& muxer, RunState& run) : m_muxer(muxer), m_run(run) {}

    // Source f's data ended where `reader` stopped, cleanly or at damage.
    void at(uint16_t f, const SourceCursor& reader);
    // Why what was read fails the run (a source with no packet, an edit
    // that keeps nothing), or ""; streams left empty are warned of.
    std::string checkWhatWasRead();

private:
    void end(uint16_t f, const rm::DataWalk& walk, uint64_t damagedAt = 0, const std::string& damage = {});
    void warn(uint16_t f, uint64_t offset, const std::string& text);
    void warnUnreadChunks(uint16_t f, const std::vector<rm::DataChunkRead>& chunks);

    RmMuxer& m_muxer;
    RunState& m_run;
};
