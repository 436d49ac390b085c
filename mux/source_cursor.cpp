#include "mux/source_cursor.h"

#include <algorithm>
#include <cstring>

#include "rm/input_file.h"
#include "rm/output_file.h"

namespace {

// Reads start on page boundaries of the file and land on page boundaries of
// the window: the system copies whole pages.
constexpr uint64_t kPage = 4096;

uint64_t pageStart(uint64_t pos)
{
    return pos & ~(kPage - 1);
}

}  // namespace

void SourceCursor::start(rm::InFile& file, rm::OutFile& out, uint64_t windowFrom, uint64_t scanFrom,
                         const rm::DataWalk& walk)
{
    m_file = &file;
    m_out = &out;
    m_windowStart = pageStart(windowFrom);
    m_length = 0;
    m_scan = scanFrom;
    m_walk = walk;
    m_end = rm::PacketStart::EndOfData;
    m_damagedLength = 0;
    m_highWater = 0;
}

void SourceCursor::stop()
{
    m_file = nullptr;
    m_out = nullptr;
    m_storage.reset();
    m_window = nullptr;
    m_length = 0;
}

SourceCursor::Step SourceCursor::cover(uint64_t pos, std::size_t n, uint64_t keepFrom)
{
    const uint64_t want = pos + n;
    while (m_windowStart + m_length < want) {
        const uint64_t readFrom = m_windowStart + m_length;
        const std::size_t toRead =
            static_cast<std::size_t>(std::min<uint64_t>(kReadSize, std::max(m_walk.reach(), want) - readFrom));
        if (!m_window) {
            m_storage = std::make_unique_for_overwrite<uint8_t[]>(kWindowLimit + kPage);
            const auto at = reinterpret_cast<uintptr_t>(m_storage.get());
            m_window = m_storage.get() + (pageStart(at + kPage - 1) - at);
        }
        // Reads go on at the end of the window while it has room, so that
        // packets written from it may wait there for a large write. When it
        // is full, they go out, and what is still needed (from keepFrom, on
        // the start of its page) moves to the front.
        if (m_length + toRead > kWindowLimit) {
            const uint64_t keep =
                std::max(pageStart(std::clamp(keepFrom, m_windowStart, m_windowStart + m_length)), m_windowStart);
            const std::size_t kept = static_cast<std::size_t>(m_windowStart + m_length - keep);
            if (kept + toRead > kWindowLimit)
                return Step::Full;
            // (A write that fails is kept by the output, and ends the loop.)
            m_out->release();
            if (kept > 0 && keep > m_windowStart)
                std::memmove(m_window, m_window + (keep - m_windowStart), kept);
            m_windowStart = keep;
            m_length = kept;
        }
        const std::size_t got = m_file->readAt(m_window + m_length, toRead, readFrom);
        m_length += got;
        m_highWater = std::max(m_highWater, m_length);
        if (m_file->failed())
            return Step::Failed;
        if (got < toRead)
            break;  // the file ended before the data did
    }
    return m_windowStart + m_length >= want ? Step::Packet : Step::End;
}

SourceCursor::Step SourceCursor::next(rm::RmPacketHeader& header, uint64_t& offset, uint64_t keepFrom)
{
    for (;;) {
        const std::size_t want = m_walk.want(m_scan);
        Step step = cover(m_scan, want, keepFrom);
        if (step == Step::Full || step == Step::Failed)
            return step;
        // What the file holds of those bytes, should it end before them.
        const uint64_t windowEnd = m_windowStart + m_length;
        const std::size_t got =
            static_cast<std::size_t>(std::min<uint64_t>(want, windowEnd - std::min(m_scan, windowEnd)));
        const uint8_t* at = m_window ? m_window + (m_scan - m_windowStart) : nullptr;
        switch (m_walk.at(m_scan, at, got, header)) {
        case rm::DataWalk::Place::NextChunk:
            m_scan += rm::DataWalk::kLookSize;
            continue;
        case rm::DataWalk::Place::End:
            m_end = m_walk.end();
            if (m_end == rm::PacketStart::Damaged)
                m_damagedLength = header.length;
            return Step::End;
        case rm::DataWalk::Place::Packet:
            break;
        }
        step = cover(m_scan, header.length, keepFrom);
        if (step == Step::End)
            m_end = rm::PacketStart::Cut;  // the file ended inside the packet
        if (step != Step::Packet)
            return step;
        offset = m_scan;
        m_walk.countPacket();
        m_scan += header.length;
        return Step::Packet;
    }
}

uint8_t* SourceCursor::bytes(uint64_t pos, std::size_t n, uint64_t keepFrom)
{
    if (pos < m_windowStart || pos > m_windowStart + m_length) {
        // Not reached yet by this window: it starts over at pos, once what
        // is written from it has gone out.
        m_out->release();
        m_windowStart = pageStart(pos);
        m_length = 0;
    }
    if (cover(pos, n, keepFrom) != Step::Packet)
        return nullptr;
    return m_window + (pos - m_windowStart);
}
