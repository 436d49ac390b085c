// The one walk of a source's header section, shared by Scan, the merge and
// kestrova-cli check, so that all of them read a file alike; and why a walk
// leaves nothing to merge.
#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"
#include "rm/input_file.h"

namespace {

// The two ways a walk meets damage, as header_walk.h tells them.
class DamageEndsWalk final : public HeaderDamage {
public:
    std::optional<uint64_t> goesOnAt(rm::InFile&, uint64_t) const override { return std::nullopt; }
};

class DamagePassedOver final : public HeaderDamage {
public:
    std::optional<uint64_t> goesOnAt(rm::InFile& in, uint64_t from) const override
    {
        return rm::findHeaderChunk(in, from);
    }
};

// The walk ended at bytes after the properties that are no chunk, or met
// an id that no chunk has; true when `damage` moved it on to a chunk
// after them.
bool goOnPast(const HeaderDamage& damage, rm::HeaderWalker& walker, rm::InFile& in, uint64_t at)
{
    const std::optional<uint64_t> next = damage.goesOnAt(in, at + 1);
    if (next)
        walker.resumeAt(*next);
    return next.has_value();
}

}  // namespace

const HeaderDamage& damageEndsWalk()
{
    static const DamageEndsWalk ends;
    return ends;
}

const HeaderDamage& damagePassedOver()
{
    static const DamagePassedOver passed;
    return passed;
}

bool HeaderWalk::usable(uint32_t dataOffset, uint64_t fileSize) const
{
    if (!sawProperties)
        return false;
    return end == rm::HeaderEnd::Data || dataAtOffset || (end == rm::HeaderEnd::EndOfFile && dataOffset < fileSize);
}

std::string HeaderWalk::refusal(uint32_t dataOffset, uint64_t fileSize) const
{
    if (!usable(dataOffset, fileSize)) {
        const std::string at = rm::formatOffset(endOffset);
        switch (end) {
        case rm::HeaderEnd::NotRealMedia:
            return "Not a RealMedia file: no \".RMF\" at the start";
        case rm::HeaderEnd::BadSize:
            return "The header section is damaged at byte " + at + ": a chunk there gives a size too small for one";
        case rm::HeaderEnd::Cut:
        case rm::HeaderEnd::EndOfFile:
            // Inside a chunk, or between two chunks before any data chunk.
            return "The header section is cut short at byte " + at;
        case rm::HeaderEnd::Data:
            break;
        case rm::HeaderEnd::ReadError:
            return {};
        }
        return "The header section has no properties chunk (\"PROP\")";
    }
    // The walk ended at damage before it read a stream header, yet the
    // data chunk stands where the properties say: the headers may lie
    // past the damage, so "no stream headers" would not be true.
    if (streams.empty() && (end == rm::HeaderEnd::BadSize || end == rm::HeaderEnd::Cut))
        return "No stream is usable: the header section is damaged at byte " + rm::formatOffset(endOffset)
               + ", before any stream header was read";
    std::string why;
    for (const SeenStream& stream : streams) {
        if (stream.duration != 0)
            return {};
        why += why.empty() ? "" : "; ";
        why += "stream " + std::to_string(stream.number) + (stream.mime.empty() ? "" : " (" + stream.mime + ")")
               + " has duration 0";
    }
    return "No stream is usable: " + (why.empty() ? "the file has no stream headers" : why);
}

HeaderWalk RmMuxer::WalkHeaderSection(uint16_t file, bool mergeMode, const HeaderDamage& damage)
{
    HeaderWalk walk;
    // The properties shown are those of this file, or none.
    m_fileInfo.clear();
    rm::HeaderWalker walker(*m_in);
    if (!walker.begin(m_fileHeader)) {
        walk.end = walker.end();
        return walk;
    }
    m_headerCount = static_cast<uint16_t>(m_fileHeader.num_headers & 0xFFFF);
    rm::ChunkPlace chunk;
    for (;;) {
        if (!walker.next(chunk)) {
            const bool noChunk = walker.end() == rm::HeaderEnd::BadSize || walker.end() == rm::HeaderEnd::Cut;
            if (noChunk && walk.sawProperties && goOnPast(damage, walker, *m_in, walker.endOffset()))
                continue;
            break;
        }
        // An id no chunk has (zeros, noise): a repair's walk goes on at the
        // next chunk it knows; else it is passed over by its size, as any
        // chunk of a kind the walk does not read.
        if (!chunk.id.printable() && walk.sawProperties && goOnPast(damage, walker, *m_in, chunk.offset))
            continue;
        bool whole = true;
        if (chunk.id.is(rm::kIdProperties)) {
            whole = ReadProperties();
            walk.sawProperties = walk.sawProperties || whole;
        } else if (chunk.id.is(rm::kIdContent)) {
            whole = ReadContent();
        } else if (chunk.id.is(rm::kIdMediaProperties)) {
            SeenStream seen;
            const StreamTake take = ReadStreamHeader(file, mergeMode, &seen);
            whole = take != StreamTake::Short;
            if (whole)
                walk.streams.push_back(std::move(seen));
            if (take == StreamTake::TooLarge || take == StreamTake::NoRoom) {
                walk.refused = take;
                walk.endOffset = chunk.offset;
                return walk;
            }
        }
        if (!whole) {
            walker.readerStopped();
            continue;
        }
        walk.chunks.push_back({chunk, rm::readByFields(chunk.id) ? m_in->tell() : chunk.offset + chunk.size});
    }
    walk.end = m_in->failed() ? rm::HeaderEnd::ReadError : walker.end();
    walk.endOffset = walker.endOffset();
    // Stopped short of the "DATA" id: the data chunk may still stand where
    // data_offset points, past bytes that are no chunk.
    if (walk.end != rm::HeaderEnd::Data && walk.end != rm::HeaderEnd::ReadError && walk.sawProperties) {
        rm::ChunkId id;
        walk.dataAtOffset = m_in->seek(m_props.data_offset) && rm::readChunkId(*m_in, id) && id.is(rm::kIdData);
        if (m_in->failed())
            walk.end = rm::HeaderEnd::ReadError;
    }
    return walk;
}
