// The RealMedia output, over the muxer's writers.
#include "mux/realmedia_output.h"

#include "mux/rm_muxer.h"

std::string RealMediaOutput::beginFile(bool first)
{
    if (std::string error = m_muxer.CreateOutput(); !error.empty())
        return error;
    return m_muxer.WriteHeaderSection(first);
}

bool RealMediaOutput::write(const OutPacket& packet)
{
    m_muxer.IndexPacket(packet.lane, packet.timestamp, packet.bytes);
    // The packet goes out as it lies in the window, with its length (which
    // a repair may have mended), output stream number and timestamp written
    // over its own (big-endian, at bytes 2, 4 and 6 of its header).
    uint8_t* bytes = packet.bytes;
    bytes[2] = static_cast<uint8_t>(packet.header->length >> 8);
    bytes[3] = static_cast<uint8_t>(packet.header->length);
    bytes[4] = static_cast<uint8_t>(packet.stream >> 8);
    bytes[5] = static_cast<uint8_t>(packet.stream);
    bytes[6] = static_cast<uint8_t>(packet.timestamp >> 24);
    bytes[7] = static_cast<uint8_t>(packet.timestamp >> 16);
    bytes[8] = static_cast<uint8_t>(packet.timestamp >> 8);
    bytes[9] = static_cast<uint8_t>(packet.timestamp);
    m_muxer.m_out->writeInPlace(bytes, packet.header->length);
    return !m_muxer.m_out->failed();
}

std::string RealMediaOutput::writeError() const
{
    return m_muxer.m_out ? m_muxer.m_out->error() : std::string();
}

std::string RealMediaOutput::endFile(bool last)
{
    return m_muxer.EndFile(m_job, last);
}

std::string RealMediaOutput::putInPlace(MuxJob& job)
{
    return m_muxer.PutAllInPlace(job);
}

void RealMediaOutput::discard()
{
    m_muxer.DiscardOutput();
}
