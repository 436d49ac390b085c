// The source packets one output stream of the file being written was
// given, read again from its sources: what a verify compares the file with.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "mux/unit_range.h"
#include "rm/packet_reader.h"
#include "rm/packet_start.h"

// The source packets one output stream of the file was given, lane after
// lane in part order, each lane read from its first packet in the file by a
// reader of its own through a descriptor of its own; each packet with the
// timestamp it was to have.
class StreamReplay {
public:
    StreamReplay(const RmMuxer& muxer, const RunState& run, int out) : m_muxer(muxer), m_run(run)
    {
        for (int l = 0; l < muxer.m_streamCount; ++l)
            if (run.lanes[l].out == out && run.file.lanes[l].packets != 0)
                m_lanes.push_back(l);
        std::stable_sort(m_lanes.begin(), m_lanes.end(),
                         [&run](int a, int b) { return run.lanes[a].part < run.lanes[b].part; });
    }

    // Moves to the next packet, payload and all; false past them.
    bool next()
    {
        for (;;) {
            const int l = lane();
            if (l < 0)
                return false;
            const bool laneDone = m_taken == m_run.file.lanes[l].packets;
            if (laneDone && m_laneAt + 1 == m_lanes.size())
                return false;
            if (laneDone && m_laneAt + 1 < m_lanes.size()) {
                ++m_laneAt;
                m_taken = 0;
                m_reader.reset();
                m_held.clear();
                m_closed = false;
                continue;
            }
            if (!m_reader && !open(l))
                return false;
            switch (readLane(l)) {
            case Read::Packet:
                return true;
            case Read::Failed:
                return false;
            case Read::Ended:
                break;
            }
            if (m_closed || m_reader->failed())
                return false;
            // At the end of the lane's data its planner decides what it holds.
            if (!resume(l)) {
                m_plan->close();
                m_closed = true;
            }
        }
    }

    const rm::RmPacketHeader& packet() const { return m_packet; }
    const std::vector<uint8_t>& payload() const { return m_payload; }
    uint64_t offset() const { return m_offset; }
    std::string name() const
    {
        const int l = std::max(lane(), 0);
        return m_muxer.m_files[m_muxer.m_sourceFile[l]]->path() + " stream "
               + std::to_string(m_muxer.m_sourceStream[l]);
    }
    std::string failure() const { return m_source && m_source->failed() ? m_source->readError() : m_openError; }

private:
    int lane() const { return m_laneAt < m_lanes.size() ? m_lanes[m_laneAt] : -1; }

    bool open(int l)
    {
        const uint16_t f = m_muxer.m_sourceFile[l];
        const rm::InFile& file = *m_muxer.m_files[f];
        m_source = std::make_unique<rm::InFile>();
        if (!m_source->openSame(file)) {
            m_openError = "Cannot read " + file.path() + " again to verify the output: " + m_source->error();
            return false;
        }
        // From where the loop began to read for the lane: what it read before
        // (a trim's start sought past it) its planner never saw.
        const Source& source = m_run.sources[f];
        const uint64_t from = m_run.lanes[l].readFrom;
        if (from == source.dataStart)
            m_reader.emplace(*m_source, m_run.reader->walkFrom(f, from, source));
        else
            m_reader.emplace(*m_source, m_run.reader->walkFrom(f, from, source).from(from), from);
        m_plan.emplace(m_run.reader->unitRule(f, m_muxer.m_sourceStream[l], m_muxer.m_streams[l]), m_run.range.edit());
        return true;
    }

    enum class Read { Packet, Ended, Failed };
    // The lane's next packet the loop wrote to this file. Every packet of
    // the lane from the start of its data is offered to a range planner of
    // the replay's own, so that a unit the range or the delay left out
    // between two written ones (timestamps that go back do that) is left
    // out here too.
    Read readLane(int l)
    {
        const Lane& lane = m_run.lanes[l];
        const uint64_t first = m_run.file.lanes[l].first;
        for (;;) {
            if (m_plan->decided()) {
                const UnitPlanner::Taken taken = m_plan->take();
                Held held = std::move(m_held.front());
                m_held.pop_front();
                if (!taken.kept || held.offset < first
                    || taken.unitStart - m_run.range.shift() + m_run.range.delay(lane.out) < 0)
                    continue;
                ++m_taken;
                m_packet = held.header;
                m_payload = std::move(held.payload);
                m_offset = held.offset;
                const int64_t time = m_run.range.outputTime(lane, m_packet.timestamp) - m_run.file.base;
                m_packet.timestamp = static_cast<uint32_t>(std::clamp<int64_t>(time, 0, UINT32_MAX));
                return Read::Packet;
            }
            rm::RmPacketHeader header;
            if (m_closed || !m_reader->next(header))
                return Read::Ended;
            const uint64_t offset = m_reader->offset();
            const uint16_t length = header.length;
            const uint16_t f = m_muxer.m_sourceFile[l];
            m_run.reader->mend(f, offset, header);
            const bool ours = header.stream_number == m_muxer.m_sourceStream[l];
            std::vector<uint8_t> payload;
            const bool read = !ours || offset < first
                              || (header.length == length ? m_reader->readPayload(payload)
                                                          : readPayloadAt(offset, header.length, payload));
            // A length the repair mended: the reading goes on where it ends.
            if (header.length != length)
                m_reader.emplace(*m_source, m_run.reader->walkFrom(f, offset + header.length, m_run.sources[f]));
            if (!ours)
                continue;
            m_plan->offer(m_run.range.laneTime(lane, header.timestamp),
                          m_plan->wantsKeyframe() && rm::keyframeAt(*m_source, header, offset));
            m_held.push_back({header, offset, std::move(payload)});
            if (!read)
                return Read::Failed;
        }
    }

    bool readPayloadAt(uint64_t offset, uint16_t length, std::vector<uint8_t>& payload)
    {
        payload.resize(length - std::min<std::size_t>(length, rm::kPacketHeaderSize));
        return m_source->readAt(payload.data(), payload.size(), offset + rm::kPacketHeaderSize) == payload.size();
    }

    // The reading goes on after a stretch a repair passed over, if one
    // starts where it ended; or, where it ended before the lane's first
    // packet (damage that a range sought past), at that packet.
    bool resume(int l)
    {
        const uint16_t f = m_muxer.m_sourceFile[l];
        if (m_reader->failed())
            return false;
        const uint64_t end = m_reader->endOffset();
        const std::optional<uint64_t> after = m_run.reader->resumesAfter(f, end);
        // A stretch of no bytes would lead back here.
        if (after && *after > end) {
            m_reader.emplace(*m_source, m_run.reader->walkFrom(f, *after, m_run.sources[f]));
            return true;
        }
        const uint64_t first = m_run.file.lanes[l].first;
        if (end >= first)
            return false;
        m_reader.emplace(*m_source, m_run.reader->walkFrom(f, first, m_run.sources[f]).from(first), first);
        return true;
    }

    const RmMuxer& m_muxer;
    const RunState& m_run;
    std::vector<int> m_lanes;
    std::size_t m_laneAt = 0;
    uint32_t m_taken = 0;
    std::unique_ptr<rm::InFile> m_source;
    std::optional<rm::PacketReader> m_reader;
    std::string m_openError;
    // The lane's planner, and the packets offered to it and not yet taken
    // (payloads only from the lane's first packet in this file on).
    std::optional<UnitPlanner> m_plan;
    struct Held {
        rm::RmPacketHeader header;
        uint64_t offset;
        std::vector<uint8_t> payload;
    };
    std::deque<Held> m_held;
    bool m_closed = false;  // the lane's data has ended
    rm::RmPacketHeader m_packet{};
    std::vector<uint8_t> m_payload;
    uint64_t m_offset = 0;
};
