// Walking the header section of a RealMedia file, chunk by chunk.
//
// The walk starts after the ".RMF" chunk and ends at the "DATA" id, which
// closes the header section. The PROP, MDPR and CONT chunks are read by their
// fields, as other readers of the format read them, and the walk goes on
// where their reader stopped, whatever their size field says; every other
// chunk (vendors add their own) is passed over by its size field. The count
// of headers in the ".RMF" chunk is not trusted: the bytes say where the
// header section ends. A repair's walk that meets damage goes on at the
// next chunk findHeaderChunk finds after it (resumeAt).
#pragma once

#include <cstdint>
#include <optional>

#include "rm/chunk_ids.h"
#include "rm/records.h"

namespace rm {

class InFile;

// One chunk of the header section: its id, where it starts and its size field.
struct ChunkPlace {
    ChunkId id;
    uint64_t offset = 0;
    uint32_t size = 0;
};

// How a walk of the header section ended.
enum class HeaderEnd {
    Data,          // at the "DATA" id: the header section is whole
    EndOfFile,     // the file ends between two chunks, before any "DATA" id
    Cut,           // the file ends inside a chunk, or a chunk's size reaches past it
    BadSize,       // a chunk whose size is too small to be one: the walk cannot go on
    NotRealMedia,  // the file does not begin with a ".RMF" chunk
    ReadError      // the file could not be read (InFile::readError says why)
};

// True for the chunks whose readers consume them by their fields.
bool readByFields(const ChunkId& id);

// The next place from `from` on where a stream header, a content chunk or
// the data chunk begins: its id, and a size that fits it (a data chunk's
// size only needs to hold its header, as the data may be cut). Looked for
// within kHeaderSearchLimit bytes and never past a data chunk's id; none
// when there is none there or a read failed (in.failed() then says so).
std::optional<uint64_t> findHeaderChunk(InFile& in, uint64_t from);

// Damage in a header section spoils a chunk or a few: a content chunk
// holds at most four texts of 64 KiB, a stream header codec data of a few
// kilobytes. The next chunk after it stands well within this.
inline constexpr uint64_t kHeaderSearchLimit = 1 << 20;

class HeaderWalker {
public:
    explicit HeaderWalker(InFile& in) : m_in(in) {}

    // Reads the ".RMF" chunk at the start of the file; false, with end()
    // saying why, when the file does not begin with a whole one.
    bool begin(RmFileHeader& header);

    // Moves to the next header chunk and reads its id and size, leaving the
    // file just after the id, where the chunk's reader begins. False at the
    // end of the header section; end() and endOffset() then say how and where.
    bool next(ChunkPlace& chunk);

    // The reader of the current chunk ran out of bytes: the walk ends there.
    void readerStopped();
    // Goes on at `offset`, where a chunk begins, after the walk ended at
    // bytes before it that are no chunk.
    void resumeAt(uint64_t offset);

    HeaderEnd end() const { return m_end; }
    // The "DATA" id, or the start of the chunk where the walk stopped.
    uint64_t endOffset() const { return m_endOffset; }

private:
    bool stop(HeaderEnd end, uint64_t offset);

    InFile& m_in;
    ChunkPlace m_current;
    bool m_started = false;
    HeaderEnd m_end = HeaderEnd::Cut;
    uint64_t m_endOffset = 0;
};

}  // namespace rm
