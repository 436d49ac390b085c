// What the one walk of a source's header section found, shared by Scan, the
// merge and kestrova-cli check.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "rm/header_walker.h"

namespace rm {
class InFile;
}

// What a stream header read did with the stream.
enum class StreamTake {
    Taken,     // the stream fills the next slot
    NotTaken,  // not usable, or not selected
    Short,     // the chunk was cut short
    TooLarge,  // wanted, but its type-specific data does not fit a slot
    NoRoom     // wanted, but all ten slots are taken
};

// A stream header that the walk of a header section read whole.
struct SeenStream {
    uint16_t number = 0;
    std::string mime;
    uint32_t duration = 0;  // 0 makes the stream unusable
};

// A header chunk that the walk passed, and where it ended: where its reader
// stopped for a chunk read by its fields, else where its size field says.
struct WalkedChunk {
    rm::ChunkPlace place;
    uint64_t end = 0;
};

// What a walk does where, after the properties, it meets bytes that are no
// chunk (zeros, noise, a chunk its reader finds cut short).
class HeaderDamage {
public:
    virtual ~HeaderDamage() = default;
    // Where the walk goes on, searching from `from`; none: it ends there.
    virtual std::optional<uint64_t> goesOnAt(rm::InFile& in, uint64_t from) const = 0;
};

// Merge, list and check read a header section as it stands: the walk ends
// at the damage.
const HeaderDamage& damageEndsWalk();
// A repair reads the stream headers after the damage: the walk goes on at
// the next chunk it knows, and a stream whose header the damage took is
// one the properties count but the walk did not read.
const HeaderDamage& damagePassedOver();

// What the walk of a source's header section found.
struct HeaderWalk {
    rm::HeaderEnd end = rm::HeaderEnd::Cut;
    uint64_t endOffset = 0;  // the "DATA" id, or where the walk stopped
    bool sawProperties = false;
    // The first wanted stream that could not be taken (TooLarge or NoRoom);
    // the walk stops there. Taken when there was none.
    StreamTake refused = StreamTake::Taken;

    // Where the walk stopped short of the "DATA" id: one stands at data_offset.
    bool dataAtOffset = false;

    // True when the header section can be used: PROP was read, and the walk
    // reached the "DATA" id, or a "DATA" id stands at data_offset, or the
    // file ends between two chunks with data_offset still inside it (its
    // data chunk is missing, so it has no packets, but its streams are
    // real). A file that ends inside a header chunk, or before the place
    // data_offset gives, was cut short inside its header section.
    bool usable(uint32_t dataOffset, uint64_t fileSize) const;

    // Every stream header read whole, taken or not, and every chunk after
    // ".RMF" that the walk passed, in file order.
    std::vector<SeenStream> streams;
    std::vector<WalkedChunk> chunks;

    // Why the file cannot be a source, in the engine's words: its header
    // section cannot be used, or none of its streams can ("No stream is
    // usable: stream 0 (audio/x-pn-realaudio) has duration 0"); "" when it
    // can. A read error is not among them: the file's readError says it.
    std::string refusal(uint32_t dataOffset, uint64_t fileSize) const;
};
