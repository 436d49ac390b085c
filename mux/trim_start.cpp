// Finding where a trim starts: the video keyframe at or before the start
// (without video, the first audio block start), found through the source's
// index records so that only the bytes around it are read; and where each
// source's cursor then starts reading. What each lane then keeps is the
// range's to say (range_plan.h).
#include <algorithm>
#include <optional>
#include <vector>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
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

// What the scan of the anchor's source for the start found: the keyframe,
// whether the data ended first, and the packets scanned last, to find
// where the other streams' packets from the keyframe's time on begin.
struct StartScan {
    bool found = false;
    bool ended = true;
    uint32_t keyTime = 0;
    uint64_t keyOffset = 0;
    struct Scanned {
        uint64_t offset;
        uint32_t timestamp;
        uint16_t number;
    };
    static constexpr std::size_t kRing = 4096;
    std::vector<Scanned> ring = std::vector<Scanned>(kRing);
    std::size_t scanned = 0;

    // Back from the keyframe through the packets scanned, the first of
    // stream `number` at or after its time; known (possibly as none) once
    // an earlier one of the stream was seen.
    std::optional<std::optional<uint64_t>> firstFromKey(uint16_t number) const
    {
        std::optional<uint64_t> first;
        const std::size_t held = std::min(scanned, kRing);
        for (std::size_t back = 1; back <= held; ++back) {
            const Scanned& packet = ring[(scanned - back) % kRing];
            if (packet.number != number || packet.offset >= keyOffset)
                continue;
            if (packet.timestamp < keyTime)
                return std::optional<std::optional<uint64_t>>(std::in_place, first);
            first = packet.offset;
        }
        return std::nullopt;
    }
};

int RmMuxer::StartAnchor(int part) const
{
    // The lane the start is taken from: the part's video, else its first lane.
    int anchor = -1;
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_run->lanes[l].part != part)
            continue;
        if (IsVideo(m_streams[l]) && (anchor < 0 || !IsVideo(m_streams[anchor])))
            anchor = l;
        else if (anchor < 0 || (!IsVideo(m_streams[anchor]) && m_run->lanes[l].out < m_run->lanes[anchor].out))
            anchor = l;
    }
    return anchor;
}

bool RmMuxer::RecordHolds(uint16_t file, int lane, const rm::RmIndexEntry* record) const
{
    // A source record is used only where the packet it points at is its own.
    const Source& source = m_run->sources[file];
    if (!record || record->offset < source.dataStart || record->offset >= source.dataWalk.reach())
        return false;
    rm::PacketReader reader(*m_files[file], source.dataWalk.from(record->offset), record->offset);
    rm::RmPacketHeader header;
    return reader.next(header) && header.stream_number == m_sourceStream[lane]
           && header.timestamp == record->timestamp;
}

uint64_t RmMuxer::ScanFrom(int anchor, uint32_t startMs) const
{
    // The scan starts a record earlier than the start needs, so that the
    // packets of the other streams just before the keyframe are seen too;
    // not when that record lies far back (a long stretch between keyframes).
    constexpr uint64_t kLookBack = 1024 * 1024;
    const uint16_t f = m_sourceFile[anchor];
    uint64_t from = m_run->sources[f].dataStart;
    const std::vector<rm::RmIndexEntry>& table = m_indexTables[anchor];
    if (const rm::RmIndexEntry* record = recordBefore(table, startMs); RecordHolds(f, anchor, record)) {
        from = record->offset;
        const std::size_t k = static_cast<std::size_t>(record - table.data());
        if (k > 0 && table[k - 1].offset + kLookBack >= from && RecordHolds(f, anchor, &table[k - 1]))
            from = table[k - 1].offset;
    }
    return from;
}

bool RmMuxer::ScanToKeyframe(int part, int anchor, uint64_t from, uint32_t startMs, StartScan& scan)
{
    // The anchor's last keyframe at or before the start (its first packet,
    // for video); or, when none is, its first keyframe after it. The other
    // lanes' times are noted on the way, for a part that ends before the start.
    RunState& run = *m_run;
    const uint16_t f = m_sourceFile[anchor];
    // A source without a data chunk has no packets to scan.
    if (!run.sources[f].hasDataChunk)
        return true;
    const bool video = IsVideo(m_streams[anchor]);
    rm::PacketReader reader(*m_files[f], run.sources[f].dataWalk.from(from), from);
    rm::RmPacketHeader header;
    bool seen = false;
    uint32_t last = 0;
    while (reader.next(header)) {
        const uint16_t number = header.stream_number;
        scan.ring[scan.scanned++ % StartScan::kRing] = {reader.offset(), header.timestamp, number};
        if (Taken(f, number) && run.lanes[m_streamMap[f * 10 + number]].part == part)
            run.lanes[m_streamMap[f * 10 + number]].noteTime(header.timestamp,
                                                             run.range.partStart(part) + header.timestamp);
        if (number != m_sourceStream[anchor])
            continue;
        const bool key = IsKeyframe(f, header, reader.offset()) && (!video || !seen || header.timestamp != last);
        seen = true;
        last = header.timestamp;
        if (header.timestamp > startMs && (scan.found || key)) {
            if (!scan.found) {
                scan.keyTime = header.timestamp;
                scan.keyOffset = reader.offset();
                scan.found = true;
            }
            scan.ended = false;
            break;
        }
        if (key) {
            scan.keyTime = header.timestamp;
            scan.keyOffset = reader.offset();
            scan.found = true;
        }
    }
    run.bytesRead += reader.endOffset() - from;
    if (reader.failed()) {
        run.readFailure = m_files[f]->readError();
        return false;
    }
    return true;
}

uint64_t RmMuxer::SeekPlace(int part, int anchor, uint16_t g, uint64_t from, const StartScan& scan) const
{
    // Source g is read from the first place a lane of it needs: its index
    // record at or before the keyframe, where every lane of it has records;
    // the start of its data where one has none. UINT64_MAX: no lane of it
    // but the anchor.
    const uint16_t f = m_sourceFile[anchor];
    uint64_t seek = g == f ? scan.keyOffset : UINT64_MAX;
    for (int l = 0; l < m_streamCount; ++l) {
        if (m_run->lanes[l].part != part || m_sourceFile[l] != g || l == anchor)
            continue;
        // In the anchor's file: the first packet of the lane from the keyframe's time.
        if (g == f) {
            if (const auto first = scan.firstFromKey(m_sourceStream[l])) {
                seek = std::min(seek, first->value_or(scan.keyOffset));
                continue;
            }
        }
        const rm::RmIndexEntry* record = recordBefore(m_indexTables[l], scan.keyTime);
        if (RecordHolds(g, l, record))
            seek = std::min<uint64_t>(seek, record->offset);
        else
            seek = g == f ? std::min(seek, from) : m_run->sources[g].dataStart;
    }
    return seek;
}

RmMuxer::StartFound RmMuxer::LocateStart(int part, uint64_t seekFrom[kMaxSources])
{
    RunState& run = *m_run;
    const uint32_t startMs = run.range.startIn(part);
    const int anchor = StartAnchor(part);
    const uint16_t f = m_sourceFile[anchor];
    const uint64_t from = ScanFrom(anchor, startMs);
    StartScan scan;
    if (!ScanToKeyframe(part, anchor, from, startMs, scan))
        return StartFound::Failed;
    if (scan.ended) {
        // The data ended: a start at or past the part's end lies in a later part.
        const int64_t end = run.range.partEnd(part, run.lanes, m_streamCount);
        if (!scan.found || run.range.partStart(part) + startMs >= end) {
            run.range.setPartEnd(part, end);
            return StartFound::PastPart;
        }
    }
    for (int l = 0; l < m_streamCount; ++l)
        if (run.lanes[l].part == part)
            RangePlan::waitForStart(run.lanes[l], l == anchor, KindOf(m_streams[l]) == kAudioStream, scan.keyTime,
                                    scan.keyOffset);
    for (uint16_t g = 0; g < m_fileCount; ++g) {
        const bool any = std::any_of(run.lanes, run.lanes + m_streamCount, [&](const Lane& lane) {
            const int l = static_cast<int>(&lane - run.lanes);
            return lane.part == part && m_sourceFile[l] == g && l != anchor;
        });
        if (g == f || any)
            seekFrom[g] = SeekPlace(part, anchor, g, from, scan);
    }
    run.range.startAt(part, scan.keyTime);
    return StartFound::InPart;
}
