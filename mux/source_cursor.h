// A reading place in one source's data chunk, with a window of the file's
// bytes that holds every packet the cursor has found but not yet given out.
//
// The packet loop reads each source through one cursor, which finds the
// packets of all the source's chosen streams in one pass. A stream whose
// packets lie far from the others' (a file that stores one stream after the
// other) would make the window grow without end; the window is bounded, and
// such a stream is given a cursor of its own instead, reading from its own
// place. Memory never depends on the layout of a source.
//
// Packets are written from the window where they lie; reads go on at its
// end while it has room, so that written packets wait there for one large
// write, and only a full window sends them out and moves what is still
// needed to its front.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "rm/data_walk.h"
#include "rm/packet_resync.h"
#include "rm/packet_start.h"
#include "rm/records.h"

namespace rm {
class InFile;
class OutFile;
}

class SourceCursor {
public:
    // Each read takes at most this much; a window holds at most kWindowLimit.
    // Measured on the benchmark's large pair (median of 9 merges): 64 KiB
    // reads 0.21 s, 128 KiB 0.19 s, 256 KiB 0.17 s, 512 KiB 0.21 s. Windows
    // of 1, 1.5 and 2 MiB merged it alike (0.15 s, 11 merges) with peak
    // memory of 5.4, 6.4 and 7.5 MiB.
    static constexpr std::size_t kReadSize = 256 * 1024;
    static constexpr std::size_t kWindowLimit = 1024 * 1024;

    enum class Step {
        Packet,   // a whole packet, in the window
        End,      // the data has ended: see end()
        Full,     // the window cannot take the packet without letting go of bytes before keepFrom
        Failed    // a read failed: the InFile says why
    };

    // Starts reading `file`'s packets at `scanFrom`, where `walk` leads from
    // there on (through every data chunk that follows); the window starts
    // empty at `windowFrom` (at or before scanFrom). `out` writes packets
    // from the window in place: it is flushed before the window's bytes
    // move or are read over.
    void start(rm::InFile& file, rm::OutFile& out, uint64_t windowFrom, uint64_t scanFrom, const rm::DataWalk& walk);
    // Writes later packets into `out`; what the previous output held of
    // the window must have been written.
    void setOutput(rm::OutFile& out) { m_out = &out; }
    // From now on a packet whose header `expect` finds implausible ends the
    // data as a damaged one (a repair's reading); null for none.
    void expect(const rm::PacketExpectations* expectations) { m_expect = expectations; }
    // Goes on reading packets at `at`, past the place next() ended at (a
    // repair's way over damage), to the end of the file when that lies
    // past the data chunk's bounds.
    void resume(uint64_t at);
    // Takes the `length` bytes at `at` for the next packet, whose header
    // the cursor found implausible and a repair mended: counted, and the
    // reading goes on after it.
    void take(uint64_t at, uint32_t length)
    {
        resume(at + length);
        m_walk.countPacket();
    }
    // Lets go of the window.
    void stop();
    bool started() const { return m_file != nullptr; }

    // The packet at the scan place: on Packet, its header and offset, its
    // bytes whole in the window, and the scan place moved past it. Bytes
    // before keepFrom may be let go of; none after.
    Step next(rm::RmPacketHeader& header, uint64_t& offset, uint64_t keepFrom);
    // n bytes at `pos`, read into the window if they are not there yet (for
    // a packet found by another cursor); null when they cannot be read. The
    // caller may change them: the window is the cursor's own copy.
    uint8_t* bytes(uint64_t pos, std::size_t n, uint64_t keepFrom);

    uint64_t scanPlace() const { return m_scan; }
    // How the data ended, once next() gave End; where, and the length of a
    // damaged packet.
    rm::PacketStart end() const { return m_end; }
    uint64_t endPlace() const { return m_scan; }
    uint16_t damagedLength() const { return m_damagedLength; }
    // Where the packets ran on past the end a data chunk's size gave; 0
    // when they did not.
    uint64_t ranOnAt() const { return m_walk.ranOnAt(); }
    // The data chunks gone into, with the packets this cursor found in each.
    const rm::DataWalk& walk() const { return m_walk; }

    // The most bytes the window has held.
    std::size_t highWater() const { return m_highWater; }

private:
    // Makes [pos, pos + n) lie in the window, reading on from its end.
    Step cover(uint64_t pos, std::size_t n, uint64_t keepFrom);

    rm::InFile* m_file = nullptr;
    const rm::PacketExpectations* m_expect = nullptr;
    rm::OutFile* m_out = nullptr;
    std::unique_ptr<uint8_t[]> m_storage;
    uint8_t* m_window = nullptr;  // in m_storage, on a page boundary
    uint64_t m_windowStart = 0;  // file position of m_window[0]
    std::size_t m_length = 0;    // bytes in the window
    uint64_t m_scan = 0;
    rm::DataWalk m_walk;
    rm::PacketStart m_end = rm::PacketStart::EndOfData;
    uint16_t m_damagedLength = 0;
    std::size_t m_highWater = 0;
};
