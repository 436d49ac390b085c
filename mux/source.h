// One source file as a run reads it: where its packets lie, and what the
// packet loop found of them.
#pragma once

#include <cstdint>
#include <string>

#include "rm/data_walk.h"

struct Source {
    // Where its packets may be read: from the first packet to the end of
    // its data chunk (and every data chunk that follows), as far as the
    // file reaches.
    uint64_t dataStart = 0;
    rm::DataWalk dataWalk;
    bool hasDataChunk = false;
    // The packet count its properties give (0 for none), the packets found
    // so far, whether the end of its data has been reached, and whether it
    // was read from its start (a trim reads only a stretch of it).
    uint32_t packetsPromised = 0;
    uint32_t packetsFound = 0;
    bool ended = false;
    bool readWhole = false;
    // Where and how damage ended its data ("at byte 220, the data ends
    // inside a packet"); "" when it did not.
    std::string damage;
};
