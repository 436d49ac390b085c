// The rate and size figures of the output's headers (see header_figures.h).
#include "mux/header_figures.h"

#include <algorithm>
#include <limits>

namespace {

uint32_t clamp32(uint64_t value)
{
    return static_cast<uint32_t>(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

void combinePartFigures(rm::RmStreamHeader::Fixed& into, const std::vector<rm::RmStreamHeader::Fixed>& parts)
{
    uint64_t duration = 0, bits = 0, bytes = 0;
    for (const rm::RmStreamHeader::Fixed& part : parts) {
        into.max_bit_rate = std::max(into.max_bit_rate, part.max_bit_rate);
        into.max_packet_size = std::max(into.max_packet_size, part.max_packet_size);
        duration += part.duration;
        bits += uint64_t{part.avg_bit_rate} * part.duration;
        bytes += uint64_t{part.avg_packet_size} * part.duration;
    }
    if (duration == 0)
        return;
    into.avg_bit_rate = clamp32(bits / duration);
    into.avg_packet_size = clamp32(bytes / duration);
}

void setFileFigures(rm::RmProperties& props, const std::vector<rm::RmStreamHeader::Fixed>& streams,
                    uint32_t avgPacketSize)
{
    uint64_t maxRate = 0, avgRate = 0;
    uint32_t maxPacket = 0, preroll = 0;
    for (const rm::RmStreamHeader::Fixed& stream : streams) {
        maxRate += stream.max_bit_rate;
        avgRate += stream.avg_bit_rate;
        maxPacket = std::max(maxPacket, stream.max_packet_size);
        preroll = std::max(preroll, stream.preroll);
    }
    props.max_bit_rate = clamp32(maxRate);
    props.avg_bit_rate = clamp32(avgRate);
    props.max_packet_size = maxPacket;
    props.avg_packet_size = avgPacketSize;
    props.preroll = preroll;
}
