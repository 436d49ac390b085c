// What a repair says of each fault check finds in a source: mended by the
// rewriting of the headers, the data chunk header and the index, or named
// as what it cost where no damaged region passed over already names it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mux/mux_job.h"
#include "mux/source_check.h"

// The findings for the problems of `check`, a source a repair read, whose
// regions of damage passed over are `damage` (those of that source).
// Packets past the first region are judged by the repair's reading, not by
// the check's, which stops making sense of them there.
//
// What the chain mended in the source: the first packet whose length it
// mended (check reads on astray from there too), and the packets it gave
// a time (what check finds out of order after them was mended).
struct ChainMends {
    std::optional<uint64_t> firstLength;
    std::vector<uint64_t> times;
};
std::vector<std::string> RepairFindings(const SourceCheck& check, const std::vector<DamagedRegion>& damage,
                                        const ChainMends& mends);
