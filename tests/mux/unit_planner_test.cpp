// The range planner on packet lists the fuzz target found it wrong on.
#include <gtest/gtest.h>

#include <vector>

#include "mux/unit_range.h"

namespace {

struct Offered {
    int64_t time;
    bool keyframe;
};

// Offers every packet, closes the stream, and takes every verdict.
std::vector<bool> keptOf(UnitPlanner& plan, const std::vector<Offered>& packets)
{
    std::vector<bool> kept;
    for (const Offered& packet : packets) {
        plan.offer(packet.time, packet.keyframe);
        while (plan.decided())
            kept.push_back(plan.take().kept);
    }
    plan.close();
    while (plan.decided())
        kept.push_back(plan.take().kept);
    return kept;
}

}  // namespace

// Without a range every packet is the source's and is kept: video frames
// before the first keyframe too.
TEST(UnitPlanner, WithoutARangeKeepsVideoBeforeItsFirstKeyframe)
{
    UnitPlanner plan({UnitKind::Frame, 40}, EditRange{});
    EXPECT_EQ(keptOf(plan, {{0, false}, {40, false}, {80, true}, {120, false}}),
              (std::vector<bool>{true, true, true, true}));
}

// A block's packet may carry a time far past the block's end (damage does
// that); the stream's latest time kept says so, so that what follows the
// stream (an appended part) is placed after it.
TEST(UnitPlanner, TheLatestTimeKeptCountsEveryPacketOfABlock)
{
    UnitPlanner plan({UnitKind::Block, 2276}, EditRange{});
    EXPECT_EQ(keptOf(plan, {{0, true}, {91422721, false}}), (std::vector<bool>{true, true}));
    ASSERT_TRUE(plan.latestKept());
    EXPECT_EQ(*plan.latestKept(), 91422721);
}
