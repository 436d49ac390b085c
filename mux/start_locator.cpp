// Finding where a trim starts (start_locator.h).
#include <algorithm>
#include <optional>
#include <vector>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/start_locator.h"
#include "mux/run_state.h"
#include "rm/input_file.h"
#include "rm/packet_reader.h"
#include "rm/packet_start.h"

namespace {

// The last record at or before `time` (strictly before, with `strictly`), or null.
const rm::RmIndexEntry* recordBefore(const std::vector<rm::RmIndexEntry>& table, uint32_t time, bool strictly = false)
{
    const rm::RmIndexEntry* found = nullptr;
    for (const rm::RmIndexEntry& record : table) {
        if (record.timestamp > time || (strictly && record.timestamp == time))
            break;
        found = &record;
    }
    return found;
}

}  // namespace

int64_t StartLocator::firstTimestamp(int part)
{
    // The first packet of the part's source that one of its lanes takes.
    RunState& run = m_run;
    for (int l = 0; l < m_muxer.m_streamCount; ++l) {
        if (run.lanes[l].part != part)
            continue;
        const uint16_t f = m_muxer.m_sourceFile[l];
        const Source& source = run.sources[f];
        if (!source.hasDataChunk)
            return 0;
        rm::PacketReader reader(*m_muxer.m_files[f], source.dataWalk, source.dataStart);
        rm::RmPacketHeader header;
        while (reader.next(header)) {
            const uint16_t number = header.stream_number;
            if (m_muxer.Taken(f, number) && run.lanes[m_muxer.m_streamMap[f * 10 + number]].part == part)
                return header.timestamp;
        }
        if (reader.failed())
            run.readFailure = m_muxer.m_files[f]->readError();
        return 0;
    }
    return 0;
}

int StartLocator::anchorOf(int part) const
{
    int anchor = -1;
    for (int l = 0; l < m_muxer.m_streamCount; ++l) {
        if (m_run.lanes[l].part != part)
            continue;
        if (IsVideo(m_muxer.m_streams[l]) && (anchor < 0 || !IsVideo(m_muxer.m_streams[anchor])))
            anchor = l;
        else if (anchor < 0 || (!IsVideo(m_muxer.m_streams[anchor]) && m_run.lanes[l].out < m_run.lanes[anchor].out))
            anchor = l;
    }
    return anchor;
}

bool StartLocator::recordHolds(uint16_t file, int lane, const rm::RmIndexEntry* record) const
{
    // A source record is used only where the packet it points at is its own.
    const Source& source = m_run.sources[file];
    if (!record || record->offset < source.dataStart || record->offset >= source.dataWalk.reach())
        return false;
    rm::PacketReader reader(*m_muxer.m_files[file], source.dataWalk.from(record->offset), record->offset);
    rm::RmPacketHeader header;
    return reader.next(header) && header.stream_number == m_muxer.m_sourceStream[lane]
           && header.timestamp == record->timestamp;
}

uint64_t StartLocator::scanFrom(int anchor, uint32_t startMs) const
{
    // The scan starts a record earlier than the start needs, so that the
    // packets of the other streams just before the keyframe are seen too;
    // not when that record lies far back (a long stretch between keyframes).
    constexpr uint64_t kLookBack = 1024 * 1024;
    const uint16_t f = m_muxer.m_sourceFile[anchor];
    uint64_t from = m_run.sources[f].dataStart;
    const std::vector<rm::RmIndexEntry>& table = m_muxer.m_indexTables[anchor];
    if (const rm::RmIndexEntry* record = recordBefore(table, startMs); recordHolds(f, anchor, record)) {
        from = record->offset;
        const std::size_t k = static_cast<std::size_t>(record - table.data());
        if (k > 0 && table[k - 1].offset + kLookBack >= from && recordHolds(f, anchor, &table[k - 1]))
            from = table[k - 1].offset;
    }
    return from;
}

bool StartLocator::scanToKeyframe(int part, int anchor, uint64_t from, uint32_t startMs, Scan& scan)
{
    // The anchor's last keyframe at or before the start (its first packet,
    // for video); or, when none is, its first keyframe after it. The lanes'
    // units are noted on the way, for a part that ends before the start.
    RunState& run = m_run;
    const uint16_t f = m_muxer.m_sourceFile[anchor];
    const bool video = IsVideo(m_muxer.m_streams[anchor]);
    rm::InFile& file = *m_muxer.m_files[f];
    rm::PacketReader reader(file, run.sources[f].dataWalk.from(from), from);
    rm::RmPacketHeader header;
    bool seen = false;
    uint32_t last = 0;
    while (!g_stop && reader.next(header)) {
        scan.anyPacket = true;
        const uint16_t number = header.stream_number;
        if (m_muxer.Taken(f, number) && run.lanes[m_muxer.m_streamMap[f * 10 + number]].part == part) {
            Lane& lane = run.lanes[m_muxer.m_streamMap[f * 10 + number]];
            lane.plan->offer(run.range.laneTime(lane, header.timestamp),
                             lane.plan->wantsKeyframe() && rm::keyframeAt(file, header, reader.offset()));
            while (lane.plan->decided())
                lane.plan->take();
        }
        if (number != m_muxer.m_sourceStream[anchor])
            continue;
        const bool key = rm::keyframeAt(file, header, reader.offset()) && (!video || !seen || header.timestamp != last);
        seen = true;
        last = header.timestamp;
        if (header.timestamp > startMs && (scan.found || key)) {
            if (!scan.found) {
                scan.keyTime = header.timestamp;
                scan.found = true;
            }
            scan.ended = false;
            break;
        }
        if (key) {
            scan.keyTime = header.timestamp;
            scan.found = true;
        }
    }
    run.bytesRead += reader.endOffset() - from;
    if (reader.failed()) {
        run.readFailure = m_muxer.m_files[f]->readError();
        return false;
    }
    if (reader.end() == rm::PacketStart::Cut || reader.end() == rm::PacketStart::Damaged)
        scan.damagedAt = reader.endOffset();
    return true;
}

uint64_t StartLocator::seekPlace(int part, uint16_t g, uint32_t keyTime) const
{
    // Source g is read early enough for the unit of each of its lanes that
    // plays at the start: from the lane's index record before the start by
    // as long as the longest unit lasts; from the start of its data where a
    // lane has none. UINT64_MAX: no lane of it.
    uint32_t longest = 0;
    for (int l = 0; l < m_muxer.m_streamCount; ++l)
        if (m_run.lanes[l].part == part)
            longest = std::max(longest, unitRuleOf(m_muxer.m_streams[l]).lengthMs.value_or(0));
    const uint32_t lookFrom = keyTime > longest ? keyTime - longest : 0;
    uint64_t seek = UINT64_MAX;
    for (int l = 0; l < m_muxer.m_streamCount; ++l) {
        if (m_run.lanes[l].part != part || m_muxer.m_sourceFile[l] != g)
            continue;
        const rm::RmIndexEntry* record = recordBefore(m_muxer.m_indexTables[l], lookFrom, true);
        seek = std::min(seek, recordHolds(g, l, record) ? uint64_t{record->offset} : m_run.sources[g].dataStart);
    }
    return seek;
}

StartFound StartLocator::locate(int part, uint64_t seekFrom[kMaxSources])
{
    RunState& run = m_run;
    const uint32_t startMs = run.range.startIn(part);
    const int anchor = anchorOf(part);
    const uint16_t f = m_muxer.m_sourceFile[anchor];
    // A source without a data chunk has no packets to start from: said as
    // a merge of it says it.
    if (!run.sources[f].hasDataChunk) {
        run.readFailure = run.reader->noPackets(m_muxer.m_files[f]->path(), false);
        return StartFound::Failed;
    }
    const uint64_t from = scanFrom(anchor, startMs);
    for (int l = 0; l < m_muxer.m_streamCount; ++l)
        if (run.lanes[l].part == part)
            run.lanes[l].plan.emplace(unitRuleOf(m_muxer.m_streams[l]), EditRange{});
    Scan scan;
    if (!scanToKeyframe(part, anchor, from, startMs, scan))
        return StartFound::Failed;
    if (g_stop)
        return StartFound::Cancelled;
    // Damage before the first packet leaves nothing to start from: said
    // as a merge of the file says it.
    if (!scan.anyPacket && scan.damagedAt && from == run.sources[f].dataStart) {
        run.readFailure = m_muxer.m_files[f]->path() + " holds no packets that can be read: at byte "
                          + rm::formatOffset(*scan.damagedAt) + ", the data is damaged";
        return StartFound::Failed;
    }
    if (scan.ended) {
        // The data ended: a start at or past the part's end lies in a later part.
        const int64_t end = run.range.partEnd(part, run.lanes, m_muxer.m_streamCount);
        if (!scan.found || run.range.partTime(part, startMs) >= end) {
            run.range.setPartEnd(part, end);
            return StartFound::PastPart;
        }
    }
    // Without video, or without a keyframe at or before it, the range
    // starts where it was asked to.
    if (!IsVideo(m_muxer.m_streams[anchor]) || scan.keyTime > startMs)
        scan.keyTime = startMs;
    for (uint16_t g = 0; g < m_muxer.m_fileCount; ++g)
        if (const uint64_t seek = seekPlace(part, g, scan.keyTime); seek != UINT64_MAX)
            seekFrom[g] = seek;
    run.range.startAt(part, scan.keyTime);
    return StartFound::InPart;
}
