// Times as users write them, and as reports show them.
#include <gtest/gtest.h>

#include "mux/media_time.h"

TEST(MediaTime, ReadsSecondsAndClockTimes)
{
    const struct {
        const char* text;
        uint32_t ms;
    } good[] = {
        {"90", 90000},          {"90.5", 90500},        {"0", 0},
        {"0.001", 1},           {"1:30", 90000},        {"0:01:30.250", 90250},
        {"01:02:03.4", 3723400}, {"59:59.99", 3599990}, {"100:00", 6000000},
        {"4294967.295", 4294967295u},
    };
    for (const auto& row : good) {
        const auto ms = parseMediaTime(row.text);
        ASSERT_TRUE(ms) << row.text;
        EXPECT_EQ(*ms, row.ms) << row.text;
    }
}

TEST(MediaTime, RefusesWhatIsNoTime)
{
    for (const char* text : {"", " 1", "1 ", "-1", "+1", "1.", ".5", "1.2345", "1:60", "1:2:60", "1:60:00",
                             "1:2:3:4", "1::2", ":30", "30:", "1e3", "abc", "0x10", "4294967.296", "1193:02:47.296",
                             "99999999999"}) {
        EXPECT_FALSE(parseMediaTime(text)) << '"' << text << '"';
    }
}

TEST(MediaTime, ShowsSecondsBelowAMinuteAndClockTimesAbove)
{
    EXPECT_EQ(formatMediaTime(59960), "59.960 s");
    EXPECT_EQ(formatMediaTime(0), "0.000 s");
    EXPECT_EQ(formatMediaTime(60000), "1:00.000");
    EXPECT_EQ(formatMediaTime(150040), "2:30.040");
    EXPECT_EQ(formatMediaTime(3723004), "1:02:03.004");
}
