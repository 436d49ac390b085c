// What a completed packet loop needed to read ahead: the most packets a
// queue held, the most bytes a cursor's window held, and how many streams
// were given a cursor of their own.
#pragma once

#include <cstddef>

struct ReadAhead {
    std::size_t queuedPackets = 0;
    std::size_t windowBytes = 0;
    int ownCursors = 0;
};
