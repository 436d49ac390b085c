// Finding where a trim starts: the video keyframe at or before the start
// (without video, the first audio block start), found through the source's
// index records so that only the bytes around it are read; and where each
// source's cursor then starts reading.
#include <algorithm>
#include <optional>
#include <vector>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "rm/input_file.h"
#include "rm/packet_reader.h"

namespace {

// The last record at or before `time`, or null.
const rm::RmIndexEntry* recordBefore(const std::vector<rm::RmIndexEntry>& table, uint32_t time)
{
    const rm::RmIndexEntry* found = nullptr;
    for (const rm::RmIndexEntry& record : table) {
        if (record.timestamp > time)
            break;
        found = &record;
    }
    return found;
}

}  // namespace

RmMuxer::StartFound RmMuxer::LocateStart(int part, uint32_t startMs, uint64_t seekFrom[kMaxSources])
{
    // The lane the start is taken from: the part's video, else its first lane.
    int anchor = -1;
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_lanePart[l] != part)
            continue;
        if (IsVideo(m_streams[l]) && (anchor < 0 || !IsVideo(m_streams[anchor])))
            anchor = l;
        else if (anchor < 0 || (!IsVideo(m_streams[anchor]) && m_laneOut[l] < m_laneOut[anchor]))
            anchor = l;
    }
    const uint16_t f = m_sourceFile[anchor];
    const bool video = IsVideo(m_streams[anchor]);

    // A source record is used only where the packet it points at is its own.
    const auto holds = [&](uint16_t file, int lane, const rm::RmIndexEntry* record) {
        if (!record || record->offset < m_dataStart[file] || record->offset >= m_dataWalk[file].reach())
            return false;
        rm::PacketReader reader(*m_files[file], m_dataWalk[file].from(record->offset), record->offset);
        rm::RmPacketHeader header;
        return reader.next(header) && header.stream_number == m_sourceStream[lane]
               && header.timestamp == record->timestamp;
    };
    // The scan starts a record earlier than the start needs, so that the
    // packets of the other streams just before the keyframe are seen too;
    // not when that record lies far back (a long stretch between keyframes).
    constexpr uint64_t kLookBack = 1024 * 1024;
    uint64_t from = m_dataStart[f];
    if (const rm::RmIndexEntry* record = recordBefore(m_indexTables[anchor], startMs); holds(f, anchor, record)) {
        from = record->offset;
        const std::vector<rm::RmIndexEntry>& table = m_indexTables[anchor];
        const std::size_t k = static_cast<std::size_t>(record - table.data());
        if (k > 0 && table[k - 1].offset + kLookBack >= from && holds(f, anchor, &table[k - 1]))
            from = table[k - 1].offset;
    }

    // The anchor's last keyframe at or before the start (its first packet,
    // for video); or, when none is, its first keyframe after it. The other
    // lanes' times are noted on the way, for a part that ends before the start.
    rm::PacketReader reader(*m_files[f], m_dataWalk[f].from(from), from);
    rm::RmPacketHeader header;
    bool found = false;
    bool ended = true;
    uint32_t keyTime = 0;
    uint64_t keyOffset = 0;
    bool seen = false;
    uint32_t last = 0;
    // The packets scanned last, to find where the other streams' packets
    // from the keyframe's time on begin.
    struct Scanned {
        uint64_t offset;
        uint32_t timestamp;
        uint16_t number;
    };
    constexpr std::size_t kRing = 4096;
    std::vector<Scanned> ring(kRing);
    std::size_t scanned = 0;
    while (!g_stop && reader.next(header)) {
        const uint16_t number = header.stream_number;
        ring[scanned++ % kRing] = {reader.offset(), header.timestamp, number};
        if (Taken(f, number) && m_lanePart[m_streamMap[f * 10 + number]] == part) {
            const int l = m_streamMap[f * 10 + number];
            NoteTime(l, header.timestamp, m_partOffset[part] + header.timestamp);
        }
        if (number != m_sourceStream[anchor])
            continue;
        const bool key = IsKeyframe(f, header, reader.offset()) && (!video || !seen || header.timestamp != last);
        seen = true;
        last = header.timestamp;
        if (header.timestamp > startMs && (found || key)) {
            if (!found) {
                keyTime = header.timestamp;
                keyOffset = reader.offset();
                found = true;
            }
            ended = false;
            break;
        }
        if (key) {
            keyTime = header.timestamp;
            keyOffset = reader.offset();
            found = true;
        }
    }
    m_bytesRead += reader.endOffset() - from;
    if (g_stop)
        return StartFound::Cancelled;
    if (reader.failed()) {
        m_readFailure = m_files[f]->readError();
        return StartFound::Failed;
    }
    if (ended) {
        // The data ended: a start at or past the part's end lies in a later part.
        int64_t end = m_partOffset[part];
        for (int l = 0; l < m_streamCount; ++l)
            if (m_lanePart[l] == part && m_laneSeen[l])
                end = std::max(end, LaneEnd(l));
        if (!found || m_partOffset[part] + startMs >= end) {
            m_partOffset[part + 1] = end;
            return StartFound::PastPart;
        }
    }

    // The lanes start afresh: the anchor at its keyframe, audio at its first
    // block start at or after it, anything else at its time.
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_lanePart[l] != part)
            continue;
        m_laneSeen[l] = false;
        std::fill(std::begin(m_laneSteps[l]), std::end(m_laneSteps[l]), 0u);
        m_laneFromTime[l] = keyTime;
        m_laneFrom[l] = keyOffset;
        m_laneWait[l] = l == anchor                            ? LaneWait::Offset
                        : KindOf(m_streams[l]) == kAudioStream ? LaneWait::Keyframe
                                                               : LaneWait::Time;
    }
    // Each source is read from the first place a lane of it needs: its
    // index record at or before the keyframe, where every lane of it has
    // records; the start of its data where one has none.
    for (uint16_t g = 0; g < m_fileCount; ++g) {
        uint64_t seek = g == f ? keyOffset : UINT64_MAX;
        bool any = false;
        for (int l = 0; l < m_streamCount; ++l) {
            if (m_lanePart[l] != part || m_sourceFile[l] != g || l == anchor)
                continue;
            any = true;
            // In the anchor's file: back from the keyframe through the
            // packets scanned, to the first of this stream at or after its
            // time; known once an earlier one of the stream was seen.
            if (g == f) {
                std::optional<uint64_t> first;
                bool bounded = false;
                const std::size_t held = std::min(scanned, kRing);
                for (std::size_t back = 1; back <= held && !bounded; ++back) {
                    const Scanned& packet = ring[(scanned - back) % kRing];
                    if (packet.number != m_sourceStream[l] || packet.offset >= keyOffset)
                        continue;
                    if (packet.timestamp < keyTime)
                        bounded = true;
                    else
                        first = packet.offset;
                }
                if (bounded) {
                    seek = std::min(seek, first.value_or(keyOffset));
                    continue;
                }
            }
            const rm::RmIndexEntry* record = recordBefore(m_indexTables[l], keyTime);
            if (holds(g, l, record))
                seek = std::min<uint64_t>(seek, record->offset);
            else
                seek = g == f ? std::min(seek, from) : m_dataStart[g];
        }
        if (g == f || any)
            seekFrom[g] = seek;
    }
    m_startPending = false;
    const int64_t start = m_partOffset[part] + keyTime;
    m_trimShift = m_keepTimestamps ? 0 : start;
    m_trimStartFound = start;
    return StartFound::InPart;
}
