// Where a split output starts a new file: at the first packet of a keyframe
// of its anchor stream (the video, else output stream 0), once the part has
// lasted long enough, grown large enough, or reached a given cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mux/mux_job.h"
#include "mux/output_file.h"

// The name of part `number` (from 1) of a split output: OUT with "-001"
// before its extension, or OUT with a printf-style "%d" filled in.
std::string SplitPartPath(const std::string& output, int number);

class SplitPlan {
public:
    explicit SplitPlan(const SplitSettings& settings) : m_settings(settings) {}

    bool active() const { return m_settings.active(); }
    void setAnchor(uint16_t out) { m_anchor = out; }
    uint16_t anchor() const { return m_anchor; }

    // Whether a new file starts before this packet of output stream `out`,
    // at output time `time`, in `file`, whose header section ends at
    // `dataOffset`; `isKeyframe` is asked only for the anchor's packets.
    template <class IsKeyframe>
    bool startsBefore(uint16_t out, int64_t time, IsKeyframe&& isKeyframe, OutputFile& file, uint32_t dataOffset,
                      int outCount)
    {
        const bool starts = out == m_anchor && isKeyframe() && (!m_anchorSeen || time != m_anchorTime);
        if (out == m_anchor) {
            m_anchorTime = time;
            m_anchorSeen = true;
        }
        return starts && cutsAt(time, file, dataOffset, outCount);
    }

private:
    // At a keyframe of the anchor: whether the settings cut the file here.
    bool cutsAt(int64_t time, OutputFile& file, uint32_t dataOffset, int outCount);

    SplitSettings m_settings;
    uint16_t m_anchor = 0;
    bool m_anchorSeen = false;
    int64_t m_anchorTime = 0;
    uint64_t m_largestRun = 0;  // the most bytes between two of its keyframes
    std::size_t m_nextCut = 0;  // the next of the settings' cuts
};
