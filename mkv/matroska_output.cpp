// A job's output streams written as one Matroska file, and that file checked against their packets.
#include "mkv/matroska_output.h"

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

TrackPlan planTracks(const std::vector<StreamSource>& streams)
{
    TrackPlan plan;
    for (std::size_t s = 0; s < streams.size(); ++s) {
        std::optional<TrackSpec> spec = trackFor(streams[s].typeSpecific.data(), streams[s].typeSpecific.size());
        if (!spec) {
            plan.trackOf.push_back(std::nullopt);
            plan.leftOut.push_back(static_cast<uint16_t>(s));
            continue;
        }
        spec->name = streams[s].name;
        plan.tracks.push_back(std::move(*spec));
        plan.trackOf.push_back(static_cast<uint16_t>(plan.tracks.size()));
    }
    return plan;
}

MatroskaFile::MatroskaFile(const std::string& path, const TrackPlan& plan, const FileTexts& texts,
                           const std::string& application, bool keepTimestamps)
    : m_plan(plan), m_makers(makersFor(plan)), m_keepTimestamps(keepTimestamps)
{
    if (!m_out.create(path)) {
        m_error = m_out.error();
        return;
    }
    m_writer = std::make_unique<MatroskaWriter>(m_out, plan.tracks, texts, application);
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
    if (!m_writer->failed() && !m_out.close())
        m_error = m_out.error();
}

bool MatroskaFile::failed() const
{
    return !m_error.empty() || !m_writer || m_writer->failed();
}

std::string MatroskaFile::error() const
{
    return !m_error.empty() || !m_writer ? m_error : m_writer->error();
}

std::vector<uint32_t> MatroskaFile::packetsLeftOut() const
{
    std::vector<uint32_t> left(m_plan.trackOf.size());
    for (std::size_t s = 0; s < left.size(); ++s)
        if (m_plan.trackOf[s])
            left[s] = m_makers[*m_plan.trackOf[s] - 1].packetsLeftOut();
    return left;
}

MatroskaCheck::MatroskaCheck(const std::string& path, const TrackPlan& plan, bool keepTimestamps)
    : m_path(path), m_plan(plan), m_reader(std::make_unique<MatroskaReader>(path)), m_makers(makersFor(plan)),
      m_keepTimestamps(keepTimestamps)
{
    m_error = m_reader->error();
}

MatroskaCheck::~MatroskaCheck() = default;

bool MatroskaCheck::packet(uint16_t stream, int64_t timestampMs, bool key, const uint8_t* payload, std::size_t size)
{
    if (!m_error.empty())
        return false;
    if (stream >= m_plan.trackOf.size() || !m_plan.trackOf[stream])
        return true;
    const int64_t time = fileTime(timestampMs, m_keepTimestamps, m_firstMs);
    m_makers[*m_plan.trackOf[stream] - 1].add(time, key, payload, size, m_blocks);
    return compare(m_blocks);
}

bool MatroskaCheck::compare(std::vector<Block>& expected)
{
    Block found;
    for (const Block& block : expected) {
        ++m_compared;
        const std::string which = "block " + std::to_string(m_compared) + " of " + m_path;
        if (!m_reader->next(found)) {
            m_error = !m_reader->error().empty() ? m_reader->error() : which + " is missing";
            return false;
        }
        const char* field = found.track != block.track ? "track"
                            : found.timeMs != block.timeMs ? "time"
                            : found.key != block.key       ? "keyframe flag"
                            : found.data != block.data     ? "bytes"
                                                           : nullptr;
        if (field) {
            m_error = which + ", at byte " + rm::formatOffset(m_reader->offset()) + ", differs from its source packets in its " + field;
            return false;
        }
    }
    expected.clear();
    return true;
}

bool MatroskaCheck::end()
{
    if (!m_error.empty())
        return false;
    Block extra;
    if (m_reader->next(extra)) {
        m_error = m_path + " holds a block at byte " + rm::formatOffset(m_reader->offset())
                  + " that no source packet gives";
        return false;
    }
    m_error = m_reader->error();
    return m_error.empty();
}

}  // namespace mkv
