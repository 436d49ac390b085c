// What Scan has listed of the sources kept: the kind of each stream, by
// stream key, and which file indexes RemoveSource has freed.
#pragma once

#include <algorithm>
#include <cstdint>

#include "mux/mux_limits.h"
#include "mux/mux_job.h"

struct Listing {
    Listing() { std::fill(std::begin(kind), std::end(kind), int8_t{-1}); }

    // Source f lists no stream (yet, or any more).
    void clear(uint16_t f) { std::fill(kind + f * 10, kind + f * 10 + 10, int8_t{-1}); }

    int8_t kind[kStreamKeyCount];  // -1 where no stream is listed
    bool removed[kMaxSources]{};
};
