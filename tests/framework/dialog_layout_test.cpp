// Room for texts and the following of a resized dialog, on controls given
// as rectangles: what grows, what moves, and what stays.
#include <gtest/gtest.h>

#include "framework/dialog_layout.h"

namespace {

struct FitCase {
    const char* name;
    std::vector<FitItem> items;
    QSize dialog;
    std::vector<QRect> expected;
    QSize expectedDialog;
};

TEST(FitToTexts, MakesRoomAtTheEdgeOfEachControlThatNeedsIt)
{
    const FitCase cases[] = {
        {"texts that fit change nothing",
         {{QRect(10, 10, 80, 20), QSize(60, 15)}, {QRect(100, 10, 50, 20), QSize(50, 20)}},
         QSize(160, 40),
         {QRect(10, 10, 80, 20), QRect(100, 10, 50, 20)},
         QSize(160, 40)},
        {"a wide text widens its button, moves the one beyond and widens the dialog",
         {{QRect(10, 10, 50, 20), QSize(70, 0)}, {QRect(70, 10, 50, 20), {}}},
         QSize(130, 40),
         {QRect(10, 10, 70, 20), QRect(90, 10, 50, 20)},
         QSize(150, 40)},
        {"a column of buttons widens as one, by its widest text",
         {{QRect(200, 10, 50, 20), QSize(65, 0)}, {QRect(200, 40, 50, 20), QSize(90, 0)},
          {QRect(10, 10, 180, 100), {}}},
         QSize(260, 120),
         {QRect(200, 10, 90, 20), QRect(200, 40, 90, 20), QRect(10, 10, 180, 100)},
         QSize(300, 120)},
        {"a control spanning the edge grows with it; one ending before stays",
         {{QRect(10, 10, 40, 10), QSize(60, 0)}, {QRect(5, 30, 100, 12), {}}, {QRect(5, 50, 30, 12), {}}},
         QSize(110, 70),
         {QRect(10, 10, 60, 10), QRect(5, 30, 120, 12), QRect(5, 50, 30, 12)},
         QSize(130, 70)},
        {"room inside a control counts before its own edge is reached",
         {{QRect(0, 0, 20, 10), QSize(30, 0)}, {QRect(0, 20, 50, 10), QSize(55, 0)}},
         QSize(60, 40),
         {QRect(0, 0, 30, 10), QRect(0, 20, 60, 10)},
         QSize(70, 40)},
        {"a tall text heightens its row and moves the rows below",
         {{QRect(10, 10, 50, 20), QSize(0, 26)}, {QRect(10, 40, 50, 20), {}}},
         QSize(70, 70),
         {QRect(10, 10, 50, 26), QRect(10, 46, 50, 20)},
         QSize(70, 76)},
    };
    for (const FitCase& c : cases) {
        std::vector<FitItem> items = c.items;
        EXPECT_EQ(AfxFitToTexts(items, c.dialog), c.expectedDialog) << c.name;
        for (std::size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i].rect, c.expected[i]) << c.name << ", control " << i;
    }
}

TEST(FollowDialog, MovesAndGrowsByTheLayoutsShares)
{
    const QRect base(10, 20, 100, 50);
    const struct {
        DynamicLayout layout;
        QSize growth;
        QRect expected;
    } cases[] = {
        {{}, QSize(40, 30), base},
        {{.moveX = 100}, QSize(40, 30), QRect(50, 20, 100, 50)},
        {{.sizeX = 100, .sizeY = 100}, QSize(40, 30), QRect(10, 20, 140, 80)},
        {{.moveY = 100, .sizeX = 100}, QSize(40, 30), QRect(10, 50, 140, 50)},
        {{.moveX = 50, .sizeX = 50}, QSize(41, 0), QRect(30, 20, 120, 50)},
        {{.moveX = 100, .sizeY = 100}, QSize(0, 0), base},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AfxFollowDialog(base, c.layout, c.growth), c.expected)
            << c.layout.moveX << "/" << c.layout.moveY << "/" << c.layout.sizeX << "/" << c.layout.sizeY;
}

}  // namespace
