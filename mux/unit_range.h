// The range planner: which packets of a stream an edit keeps, decided unit
// by unit as the packets come.
//
// A unit is what an edit keeps or drops whole:
// - a video frame: the packets of one timestamp, in file order;
// - an interleave block of cook, ATRAC or sipr audio (the codec header
//   gives its height): a keyframe-flagged packet and the packets after it
//   up to the next keyframe-flagged one, whatever timestamps they carry
//   (Helix gives each of a block's packets its own, older producers one for
//   all); packets before the stream's first flagged one make a block too;
// - any other packet, alone.
// A unit starts at its first packet's timestamp and ends where the next
// unit of its stream starts; the last one ends its usual length later: the
// frame length or the block duration its codec header gives, else the most
// common step between its stream's units.
//
// A range [S, E) keeps, of every stream, every unit that starts before E and
// ends after S, so the audio block playing at S is kept whole and so is
// every unit before E. S is the video keyframe at or before the start asked
// for (the start itself without video); video starts at that keyframe's
// frame, in file order. After the last frame before E in file order, video
// keeps only what decoding it needs: a frame stamped at or after E is kept
// when a frame stamped before E follows it (a B-frame stamped by its
// display time after the frame it is predicted from). Stamps of a stream
// rise in file order, so the first unit at or after E ends the stream's part
// of the range; video looks a few frames further for B-frames.
//
// The planner sees the packets as the packet loop finds them. A unit that
// starts before S is held until the next unit starts (its end is that
// start); a video frame at or after E until a frame before E follows or a
// few frames have passed. Every other packet is decided as it is offered.
// So a lane holds at most one unit, or a few frames, undecided.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "rm/records.h"

// How a stream's packets make units.
enum class UnitKind { Frame, Block, Packet };

struct UnitRule {
    UnitKind kind = UnitKind::Packet;
    // How long a unit lasts, where the codec header says: 1000 ms over the
    // frame rate, or the block's codec frames times their samples over the
    // sample rate.
    std::optional<uint32_t> lengthMs;
    // The packets of a whole interleave block, where only whole blocks may
    // be kept (a repair: a block that lost a packet cannot be played, and
    // one that lost its flagged packet runs into the one before): a block
    // of more or fewer is dropped whole. 0: a block of any count is kept.
    uint16_t wholeBlock = 0;
};

// The rule of a stream, from its MIME type and codec header.
UnitRule unitRuleOf(const rm::RmStreamHeader& stream);

// The range in the job's time. `start` is S, already moved to the video
// keyframe; none of the two: from the first unit to the last.
struct EditRange {
    std::optional<int64_t> start;
    std::optional<int64_t> end;
};

// One stream's packets, offered in file order, and the verdict on each.
class UnitPlanner {
public:
    // Frames a video stream is read past E for B-frames stamped before E.
    static constexpr int kReorderFrames = 4;

    UnitPlanner(UnitRule rule, EditRange range) : m_rule(rule), m_range(range) {}

    // The stream's next packet, in file order.
    void offer(int64_t time, bool keyframe);
    // The stream has no more packets.
    void close();

    // Whether the oldest packet offered and not yet taken is decided.
    bool decided() const { return !m_held.empty() && m_held.front().verdict != Verdict::Pending; }
    struct Taken {
        bool kept = false;
        int64_t unitStart = 0;  // the start of the packet's unit
    };
    // The verdict on the oldest packet offered, once decided.
    Taken take();
    // No packet offered from now on can be kept, and none is held.
    bool finished() const { return m_finished && m_held.empty(); }
    // No packet offered from now on can be kept: the stream need not be read.
    bool rangeOver() const { return m_finished; }
    // Packets offered and not yet taken.
    std::size_t held() const { return m_held.size(); }
    // Whether the verdict on the next packet may depend on its keyframe
    // flag, which can cost a read to know.
    bool wantsKeyframe() const
    {
        return m_rule.kind == UnitKind::Block || (m_rule.kind == UnitKind::Frame && !m_videoStarted);
    }

    // The kept units: the first one's start and the last one's end (its
    // usual length after its start while no unit has followed it).
    std::optional<int64_t> firstStart() const { return m_firstKept; }
    std::optional<int64_t> lastEnd() const;
    // The most common step between unit starts among the last few; 0 when none.
    uint32_t usualStep() const;
    // The last unit offered, kept or not: its start, and where it ends.
    std::optional<int64_t> lastStart() const { return m_any ? std::optional<int64_t>(m_lastStart) : std::nullopt; }
    int64_t lastStartEnd() const { return m_lastStart + m_rule.lengthMs.value_or(usualStep()); }
    // The latest time of a packet taken as kept: a block's packets may
    // carry times past its unit's end (damage does that), and what follows
    // the stream must come after every one of them.
    std::optional<int64_t> latestKept() const { return m_latestKept; }
    // The blocks dropped for not being whole, and their packets.
    uint32_t brokenBlocks() const { return m_brokenBlocks; }
    uint32_t brokenPackets() const { return m_brokenPackets; }

private:
    enum class Verdict : uint8_t { Pending, Keep, Drop };
    struct Held {
        Verdict verdict;
        int64_t unitStart;
        uint32_t unit;  // which unit, counted from the stream's first
        int64_t time;   // the packet's own
    };
    // A new unit starts at `time`: the one before it now has its end.
    void startUnit(int64_t time);
    // Settles every held packet of unit `unit`, and the lane's kept bounds.
    void settle(uint32_t unit, int64_t start, bool keep);
    void noteStep(int64_t start);
    // The current unit has ended at `end`: settles it if it still waits.
    void endUnit(int64_t end);

    UnitRule m_rule;
    EditRange m_range;
    std::deque<Held> m_held;
    bool m_any = false;           // a packet was offered
    uint32_t m_unit = 0;          // the current unit
    int64_t m_unitStart = 0;
    Verdict m_unitVerdict = Verdict::Pending;
    bool m_videoStarted = false;  // the frame at S has come
    int m_framesPastEnd = 0;      // video frames at or after E held
    bool m_finished = false;
    std::optional<int64_t> m_firstKept, m_lastKeptStart, m_lastKeptEnd, m_latestKept;
    int64_t m_lastStart = 0;
    uint32_t m_unitPackets = 0;  // offered of the current unit
    bool m_unitOneTime = true;   // all of them at its start
    uint32_t m_brokenBlocks = 0, m_brokenPackets = 0;
    uint32_t m_steps[8]{};
    uint8_t m_stepAt = 0;
};
