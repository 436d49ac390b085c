// The tolerant reader of a repair. Where a source's packets stop holding
// together, the cursor is moved on to the next place where they do
// (rm/packet_resync.h) and the region passed over is recorded; the one
// packet loop goes on, and the output is written, indexed and finished as
// any merge's.
#pragma once

#include <atomic>
#include <future>
#include <map>
#include <memory>

#include "mux/mux_limits.h"
#include "mux/source_check.h"
#include "mux/source_reader.h"
#include "rm/packet_resync.h"

class TolerantReader final : public SourceReader {
public:
    // `files` are the run's sources; a read that fails is told in `readFailure`.
    TolerantReader(const std::unique_ptr<rm::InFile> (&files)[kMaxSources], std::string& readFailure)
        : m_files(files), m_readFailure(readFailure)
    {
    }

    // Reads the stream headers after damage in the header section.
    const HeaderDamage& headerDamage() const override { return damagePassedOver(); }
    // Needs no more than the properties: the data chunk is searched for
    // should the walk not reach it.
    bool headerUsable(const HeaderWalk& walk, uint32_t, uint64_t) const override { return walk.sawProperties; }
    // The source's index may point anywhere.
    bool usesSourceIndex() const override { return false; }
    std::string locateData(uint16_t f, rm::InFile& in, const rm::RmProperties& props, const HeaderWalk& walk,
                           Source& source, rm::RmDataHeader& dataHeader) override;
    // Stops the checks of the sources that may still run.
    ~TolerantReader() override { m_stopChecks = 1; }

    // Starts the check of source f beside the repair (the report tells
    // what it finds): it reads the source up to its first damage again.
    void attach(uint16_t f, SourceCursor& cursor) override;
    SourceCursor::Step next(uint16_t f, SourceCursor& cursor, rm::RmPacketHeader& header, uint64_t& offset,
                            const std::function<uint64_t()>& keepFrom) override;
    void noteRead(uint16_t f, const rm::RmPacketHeader& header) override;
    // The damage it could not pass has been recorded.
    rm::PacketStart howEnded(const SourceCursor&) const override { return rm::PacketStart::EndOfData; }
    void noteWritten(uint16_t out, uint16_t f, const PacketNode& packet) override;
    std::string noPackets(const std::string& path, bool) const override
    {
        return path + " holds no packets to recover; nothing was written";
    }
    rm::DataWalk walkFrom(uint16_t f, uint64_t from, const Source& source) const override;
    std::optional<uint64_t> resumesAfter(uint16_t f, uint64_t end) const override;
    void mend(uint16_t f, uint64_t offset, rm::RmPacketHeader& header) const override;
    // Only whole interleave blocks are kept: of as many packets as the
    // blocks the source's data starts with hold, where two or more agree;
    // else as the codec header's height says.
    UnitRule unitRule(uint16_t f, uint16_t number, const rm::RmStreamHeader& stream) const override;
    void reportDamage(std::vector<DamagedRegion>& damage, std::vector<std::string>& findings, const RmMuxer& muxer,
                      const RunState& run) const override;

private:
    // The cursor stopped where its packets no longer hold together (or at
    // a data chunk's header); true when it was moved on to the next place
    // where they do, the region passed over being recorded.
    bool resynchronise(uint16_t f, SourceCursor& cursor);
    // Whether the packet the cursor just gave holds together with what
    // follows it. When it does not, and packets go on inside the bytes its
    // length claims or fewer than a header's bytes after it, the length is
    // wrong; when a hole of zeros began inside it, it is cut. Either way it
    // is passed over as damage, the cursor moved on, and false returned.
    // When its length disagrees by a few bytes with where the packets go on,
    // the chain gives it the right one. When something else stands where
    // its length ends, its tail is not its own (bytes moved or deleted over
    // it), and it is dropped too.
    bool holdsTogether(uint16_t f, SourceCursor& cursor, rm::RmPacketHeader& header, uint64_t offset,
                       uint64_t keepFrom);
    // Whether the header at `at`, before the packets that go on at `resume`,
    // is one that damage spoiled a single field of (its length, or its
    // timestamp): the packet before it is then whole.
    bool spoiledHeader(uint16_t f, const uint8_t* bytes, uint64_t at, std::optional<uint64_t> resume) const;
    // Whether the packet at `at` follows the last one read of its stream as
    // closely as the stream's packets follow one another where the source
    // is whole.
    bool goesOnAt(uint16_t f, uint64_t at) const;
    // The cursor stopped at a packet whose header chains but whose timestamp
    // is far from its stream's: given a time between its neighbours', it is
    // the cursor's next packet.
    bool restamped(uint16_t f, SourceCursor& cursor, rm::RmPacketHeader& header, uint64_t& offset,
                   uint64_t keepFrom);
    // The time of a packet between the last of its stream and the next:
    // a part of a video frame takes its frame's.
    uint32_t timeBetween(uint16_t f, const rm::RmPacketHeader& header, uint64_t at, const uint8_t* packet) const;
    // Whether the packet at `at` is a copy of one of its stream's packets at
    // the same timestamp already read (damage duplicated it).
    bool copyOfRead(uint16_t f, const rm::RmPacketHeader& header, uint64_t at, const std::vector<uint64_t>& read) const;
    // Whether the packet the cursor just gave lies in a region that damage
    // moved or duplicated: earlier than what its stream already has, by
    // more than the stream steps back where the source is whole. Decided
    // once for each packet of a source, by the first cursor to reach it,
    // so every cursor agrees. When it does, the cursor is moved past it.
    bool leftOut(uint16_t f, SourceCursor& cursor, const rm::RmPacketHeader& header, uint64_t offset);
    std::optional<uint64_t> searchFrom(uint16_t f, uint64_t from);
    // Passes the cursor over the damage from `from` to `to`, the next place
    // packets hold together; and on over the packets there when they are a
    // region moved from further on (pastMovedRegion).
    void passOver(uint16_t f, SourceCursor& cursor, uint64_t from, uint64_t to);
    // Where the packets after those at `at` go on, when those are a run
    // that lies ahead in time of the run after it, which goes on from
    // where the source's streams stood: a region moved there.
    std::optional<uint64_t> pastMovedRegion(uint16_t f, uint64_t at) const;
    // Every fault found besides the regions passed over: lost stream
    // headers, what was mended, and what check finds in each source.
    void reportFindings(const std::vector<DamagedRegion>& damage, std::vector<std::string>& findings,
                        const RmMuxer& muxer, const RunState& run) const;
    // What the chain mended in source f, and the interleave blocks its
    // streams lost whole.
    void reportMended(uint16_t f, std::vector<std::string>& findings, const RmMuxer& muxer, const RunState& run) const;
    // The record of the stretch from `from` (a new one, or the one there).
    struct Skip;
    Skip& recordSkip(uint16_t f, uint64_t from, uint64_t to);

    const std::unique_ptr<rm::InFile> (&m_files)[kMaxSources];
    std::string& m_readFailure;
    rm::PacketExpectations m_expect[kMaxSources];
    std::optional<uint16_t> m_lastStreamRead[kMaxSources];  // by the source's first cursor
    // The last search for packets after damage in each source: where it
    // began and what it found. A search from a later place that this one
    // found nothing before has the same answer.
    struct Search {
        uint64_t from = 0;
        std::optional<uint64_t> found;
    };
    std::optional<Search> m_lastSearch[kMaxSources];
    // Each stretch of damage the cursors passed over, in the order found.
    struct Skip {
        uint16_t file = 0;
        uint64_t from = 0, to = 0;
        // The source streams of the packets right before and right after it.
        std::optional<uint16_t> streamBefore, streamAfter;
        // The timestamps of each output stream's last packet before it and
        // first packet after it.
        std::optional<uint32_t> before[kMaxStreams], after[kMaxStreams];
        // It held whole packets out of their place: earlier than those
        // before it (a region moved back or duplicated), or later than
        // those after it (moved there from further on).
        enum class Misplaced { No, Earlier, Later } misplaced = Misplaced::No;
    };
    std::vector<Skip> m_skips;
    // The streams of each source that PROP counts but whose header is
    // lost: their packets are links of the chains the search follows, and
    // are counted, but cannot be kept without a header.
    struct LostStream {
        uint16_t number = 0;
        uint32_t packets = 0;
    };
    std::vector<LostStream> m_lostStreams[kMaxSources];
    // Per source: the end of the last packet leftOut decided on, and each
    // stream's latest timestamp so far and the furthest it stepped back and
    // forward before any damage.
    uint64_t m_decidedTo[kMaxSources]{};
    struct StreamTime {
        uint16_t number = 0;
        std::optional<uint32_t> latest;
        uint32_t backAllowed = 0;
        uint32_t largestStep = 0;  // forward, before any damage
        std::vector<uint64_t> atLatest;  // the packets read at `latest`
    };
    std::vector<StreamTime> m_times[kMaxSources];
    // The packets whose length or timestamp the chain mended, by source and
    // place, with the header each was given.
    struct Mend {
        uint16_t stream = 0;
        uint16_t length = 0;
        uint32_t timestamp = 0;
        bool lengthMended = false;
        uint16_t given = 0;  // the length its header gives
    };
    std::map<uint64_t, Mend> m_mends[kMaxSources];
    // What check finds in each source, found beside the repair; stopped
    // when the reader goes (they end before the flag they read goes).
    std::atomic<uint8_t> m_stopChecks{0};
    std::shared_future<SourceCheck> m_checks[kMaxSources];
    // The video streams of each source: a frame's packets share a time.
    std::vector<uint16_t> m_video[kMaxSources];
    // The packets of the interleave blocks each source's data starts with,
    // by stream, where two or more blocks agree.
    std::map<uint16_t, uint16_t> m_blockPackets[kMaxSources];
    std::map<uint16_t, uint16_t> blockPacketsFrom(rm::InFile& in, uint64_t at, const rm::PacketExpectations& expect) const;
    // Per output stream: skips passed, its last timestamp, and the largest
    // step between two of its packets with no skip between them.
    std::size_t m_skipsPassed[kMaxStreams]{};
    std::optional<uint32_t> m_lastWritten[kMaxStreams];
    uint32_t m_largestStep[kMaxStreams]{};
};
