// The rate and size figures of the output's headers: each stream's as its
// producer wrote them, and the file's from its streams'.
#pragma once

#include <cstdint>
#include <vector>

#include "rm/records.h"

// An output stream fed by the same stream of several parts, one after
// another: the largest of their maxima, and their averages weighted by
// their durations. Its other fields stay those of `into`, the first part's.
void combinePartFigures(rm::RmStreamHeader::Fixed& into, const std::vector<rm::RmStreamHeader::Fixed>& parts);

// The file's figures, as every producer sets them: the bit rates the sums of
// its streams', the largest packet the largest of theirs, the preroll the
// longest of theirs; the average packet size is that of the packets written.
void setFileFigures(rm::RmProperties& props, const std::vector<rm::RmStreamHeader::Fixed>& streams,
                    uint32_t avgPacketSize);
