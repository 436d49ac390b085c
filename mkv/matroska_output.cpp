// A job's output streams written as one Matroska file, and that file checked against their packets.
#include "mkv/matroska_output.h"

#include <cctype>
#include <deque>
#include <iterator>

#include "mkv/matroska_reader.h"
#include "rm/input_file.h"

namespace mkv {

namespace {

std::vector<BlockMaker> makersFor(const TrackPlan& plan)
{
    std::vector<BlockMaker> makers;
    for (std::size_t k = 0; k < plan.tracks.size(); ++k)
        makers.emplace_back(plan.tracks[k], static_cast<uint16_t>(k + 1));
    return makers;
}

// The time a packet's blocks are written at: counted from the first
// packet's, unless the job keeps the sources' times.
int64_t fileTime(int64_t timestampMs, bool keep, std::optional<int64_t>& first)
{
    if (!first)
        first = keep ? 0 : timestampMs;
    return timestampMs - *first;
}

}  // namespace

bool namesMatroska(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return false;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "mkv" || extension == "mka";
}

TrackPlan planTracks(const std::vector<StreamSource>& streams)
{
    TrackPlan plan;
    for (std::size_t s = 0; s < streams.size(); ++s) {
        std::optional<TrackForm> form = trackFor(streams[s].typeSpecific.data(), streams[s].typeSpecific.size());
        if (!form) {
            plan.trackOf.push_back(std::nullopt);
            plan.leftOut.push_back(static_cast<uint16_t>(s));
            continue;
        }
        form->name = streams[s].name;
        plan.tracks.push_back(std::move(*form));
        plan.trackOf.push_back(static_cast<uint16_t>(plan.tracks.size()));
    }
    return plan;
}

MatroskaFile::MatroskaFile(rm::OutFile& out, const TrackPlan& plan, const FileTexts& texts,
                           const std::string& application, bool keepTimestamps)
    : m_plan(plan), m_writer(std::make_unique<MatroskaWriter>(out, plan.tracks, texts, application)),
      m_makers(makersFor(plan)), m_keepTimestamps(keepTimestamps)
{
}

void MatroskaFile::write(uint16_t stream, int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size)
{
    if (failed() || stream >= m_plan.trackOf.size() || !m_plan.trackOf[stream])
        return;
    const int64_t time = fileTime(timestampMs, m_keepTimestamps, m_firstMs);
    m_makers[*m_plan.trackOf[stream] - 1].add(time, key, payload, size, m_blocks);
    put(m_blocks);
}

void MatroskaFile::put(std::vector<Block>& blocks)
{
    for (const Block& block : blocks)
        m_writer->write(block);
    blocks.clear();
}

void MatroskaFile::finish(uint64_t durationMs)
{
    if (failed())
        return;
    for (BlockMaker& maker : m_makers)
        maker.finish();
    m_writer->finish(durationMs);
}

bool MatroskaFile::failed() const
{
    return m_writer->failed();
}

std::string MatroskaFile::error() const
{
    return m_writer->error();
}

std::vector<uint32_t> MatroskaFile::packetsLeftOut() const
{
    std::vector<uint32_t> left(m_plan.trackOf.size());
    for (std::size_t s = 0; s < left.size(); ++s)
        if (m_plan.trackOf[s])
            left[s] = m_makers[*m_plan.trackOf[s] - 1].packetsLeftOut();
    return left;
}

std::string verifyMatroska(const std::string& path, const TrackPlan& plan, int64_t shiftMs,
                           const std::function<bool(uint16_t stream, SourcePacket& packet)>& next)
{
    MatroskaReader reader(path);
    if (!reader.error().empty())
        return reader.error();
    std::vector<BlockMaker> makers = makersFor(plan);
    std::vector<uint16_t> streamOf(plan.tracks.size());
    for (std::size_t s = 0; s < plan.trackOf.size(); ++s)
        if (plan.trackOf[s])
            streamOf[*plan.trackOf[s] - 1] = static_cast<uint16_t>(s);
    // The blocks made of a track's source packets and not yet compared.
    std::vector<std::deque<Block>> expected(plan.tracks.size());
    std::vector<Block> made;
    SourcePacket packet;
    // Makes a track's next block; false when its packets have ended.
    const auto fill = [&](std::size_t t) {
        while (expected[t].empty()) {
            if (!next(streamOf[t], packet))
                return false;
            makers[t].add(packet.timestampMs - shiftMs, packet.key, packet.payload.data(), packet.payload.size(), made);
            expected[t].insert(expected[t].end(), std::make_move_iterator(made.begin()),
                               std::make_move_iterator(made.end()));
            made.clear();
        }
        return true;
    };

    Block found;
    uint64_t count = 0;
    while (reader.next(found)) {
        ++count;
        const std::string where = "block " + std::to_string(count) + " of " + path + ", at byte "
                                  + rm::formatOffset(reader.offset());
        const std::size_t t = found.track - 1u;
        if (found.track == 0 || t >= plan.tracks.size() || !fill(t))
            return where + ", is no block of its source packets";
        const Block& block = expected[t].front();
        const char* field = found.timeMs != block.timeMs ? "time"
                            : found.key != block.key     ? "keyframe flag"
                            : found.data != block.data   ? "bytes"
                                                         : nullptr;
        if (field)
            return where + ", differs from its source packets in its " + field;
        expected[t].pop_front();
    }
    if (!reader.error().empty())
        return reader.error();
    for (std::size_t t = 0; t < plan.tracks.size(); ++t)
        if (fill(t))
            return path + " lacks blocks of track " + std::to_string(t + 1) + " that its source packets make";
    return {};
}

}  // namespace mkv
