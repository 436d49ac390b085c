// One stream of the output: which lane gives its header, and what the run
// copied into it over all of its files.
#pragma once

#include <cstdint>

struct OutputStream {
    // Its first lane, whose stream header and index header it is written with.
    uint16_t lane = 0;
    // Video is indexed by its keyframes, any other stream by the second.
    bool video = false;
    uint32_t packets = 0;         // packets copied
    uint32_t droppedByDelay = 0;  // packets its delay moved before 0
    uint32_t indexCopied = 0;     // source index records pointed at the output
    uint32_t indexBuilt = 0;      // index records built from its packets
};
