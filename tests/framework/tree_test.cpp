// The tree control: items, navigation, check boxes, expanding and
// collapsing that the dialog may refuse, and the tips the dialog gives.
#include <gtest/gtest.h>
#include <QTest>
#include <QTreeWidget>

#include "framework/image_list.h"
#include "script.h"
#include "test_dialog.h"

namespace {

class TreeTest : public testing::Test {
protected:
    void SetUp() override { AfxSetResourceModule(&TestResources()); }
    void TearDown() override { AfxSetResourceModule(nullptr); }

    // Runs `body` on the shown dialog's tree, then closes the dialog.
    void WithTree(const std::function<void(CTestDlg&, CTreeCtrl&)>& body)
    {
        script.OnNextModal([this, body](CDialog& d) {
            body(dialog, dialog.m_tree);
            d.EndDialog(IDCANCEL);
        });
        dialog.DoModal();
    }

    Script script;
    CTestDlg dialog;
};

TEST_F(TreeTest, ItemsAreAppendedAndWalkedInOrder)
{
    WithTree([](CTestDlg&, CTreeCtrl& tree) {
        EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_ROOT), nullptr);
        HTREEITEM a = tree.InsertItem("a", 2, 2);
        HTREEITEM b = tree.InsertItem("b", 2, 2);
        HTREEITEM a0 = tree.InsertItem("a0", 0, 1, a);
        HTREEITEM a1 = tree.InsertItem("a1", 1, 1, a);
        EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_ROOT), a);
        EXPECT_EQ(tree.GetNextItem(a, TVGN_NEXT), b);
        EXPECT_EQ(tree.GetNextItem(b, TVGN_NEXT), nullptr);
        EXPECT_EQ(tree.GetNextItem(a, TVGN_CHILD), a0);
        EXPECT_EQ(tree.GetNextItem(a0, TVGN_NEXT), a1);
        EXPECT_EQ(tree.GetNextItem(a1, TVGN_NEXT), nullptr);
        EXPECT_EQ(tree.GetNextItem(a1, TVGN_PARENT), a);
        EXPECT_EQ(tree.GetNextItem(a, TVGN_PARENT), nullptr);
        EXPECT_EQ(tree.GetItemText(a0), "a0");
        int image = -1, selected = -1;
        tree.GetItemImage(a0, image, selected);
        EXPECT_EQ(image, 0);
        EXPECT_EQ(selected, 1);

        EXPECT_EQ(tree.GetItemData(a0), 0u);
        tree.SetItemData(a0, 7);
        EXPECT_EQ(tree.GetItemData(a0), 7u);

        EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_CARET), nullptr);
        tree.SelectItem(a1);
        EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_CARET), a1);

        EXPECT_FALSE(tree.GetCheck(a1));
        tree.SetCheck(a1);
        EXPECT_TRUE(tree.GetCheck(a1));

        EXPECT_EQ(tree.GetCount(), 4u);
        tree.DeleteItem(a);  // with its children
        EXPECT_EQ(tree.GetCount(), 1u);
        EXPECT_EQ(tree.GetNextItem(nullptr, TVGN_ROOT), b);
    });
}

TEST_F(TreeTest, TheUserExpandsAndCollapsesOnlyWhereTheDialogAgrees)
{
    WithTree([](CTestDlg& d, CTreeCtrl& tree) {
        auto* widget = static_cast<QTreeWidget*>(tree.GetSafeHwnd());
        HTREEITEM file = tree.InsertItem("file", 2, 2);
        tree.InsertItem("stream", 0, 0, file);
        // Expanding in code asks nobody.
        tree.Expand(file, TVE_EXPAND);
        EXPECT_TRUE(file->isExpanded());
        EXPECT_TRUE(d.m_expandActions.empty());

        widget->setFocus();
        tree.SelectItem(file);
        QTest::keyClick(widget, Qt::Key_Left);
        QTest::keyClick(widget, Qt::Key_Minus);
        const QPoint centre = widget->visualItemRect(file).center();
        QTest::mouseDClick(widget->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        EXPECT_TRUE(file->isExpanded());
        EXPECT_EQ(d.m_expandActions, (std::vector<UINT>{TVE_COLLAPSE, TVE_COLLAPSE, TVE_COLLAPSE}));

        d.m_refuseCollapse = false;
        QTest::keyClick(widget, Qt::Key_Left);
        EXPECT_FALSE(file->isExpanded());
        QTest::keyClick(widget, Qt::Key_Plus);
        EXPECT_TRUE(file->isExpanded());
        EXPECT_EQ(d.m_expandActions.back(), TVE_EXPAND);
    });
}

TEST_F(TreeTest, CheckBoxesFollowTheUsersClicks)
{
    WithTree([](CTestDlg&, CTreeCtrl& tree) {
        auto* widget = static_cast<QTreeWidget*>(tree.GetSafeHwnd());
        HTREEITEM item = tree.InsertItem("item", 2, 2);
        widget->setFocus();
        tree.SelectItem(item);
        QTest::keyClick(widget, Qt::Key_Space);
        EXPECT_TRUE(tree.GetCheck(item));
        QTest::keyClick(widget, Qt::Key_Space);
        EXPECT_FALSE(tree.GetCheck(item));
    });
}

TEST_F(TreeTest, AFileItemShowsWhetherAllSomeOrNoneOfItsItemsAreTicked)
{
    WithTree([](CTestDlg&, CTreeCtrl& tree) {
        auto* widget = static_cast<QTreeWidget*>(tree.GetSafeHwnd());
        // Three items alike but for how many of their two children are ticked.
        QImage rows[3];
        HTREEITEM items[3];
        for (int ticked = 0; ticked < 3; ++ticked) {
            items[ticked] = tree.InsertItem("file", 2, 2);
            for (int k = 0; k < 2; ++k)
                tree.SetCheck(tree.InsertItem("stream", 0, 0, items[ticked]), k < ticked);
        }
        // What the eye tells apart: the dark marks, not a shade of the
        // box's background.
        for (int ticked = 0; ticked < 3; ++ticked) {
            rows[ticked] = widget->viewport()->grab(widget->visualItemRect(items[ticked])).toImage();
            for (int y = 0; y < rows[ticked].height(); ++y)
                for (int x = 0; x < rows[ticked].width(); ++x)
                    rows[ticked].setPixelColor(x, y, rows[ticked].pixelColor(x, y).lightness() < 128 ? Qt::black : Qt::white);
        }
        EXPECT_NE(rows[1], rows[0]) << "some ticked looks like none";
        EXPECT_NE(rows[1], rows[2]) << "some ticked looks like all";
        EXPECT_NE(rows[0], rows[2]);
    });
}

TEST_F(TreeTest, TheTipOfAnItemIsTheDialogsAnswer)
{
    WithTree([](CTestDlg& d, CTreeCtrl& tree) {
        // Where there is no item there is nothing to ask about.
        EXPECT_EQ(TipAt(tree, QPoint(5, 5)), "");
        EXPECT_TRUE(d.m_tipRequests.empty());

        HTREEITEM file = tree.InsertItem("file", 2, 2);
        HTREEITEM stream = tree.InsertItem("stream", 0, 0, file);
        HTREEITEM quiet = tree.InsertItem("quiet", 0, 0, file);
        tree.SetItemData(stream, 7);
        tree.Expand(file, TVE_EXPAND);
        d.m_tips[file] = "A file\nwith two lines";
        d.m_tips[stream] = "RV40 320x240";
        // An empty answer shows no tip.
        EXPECT_EQ(TipOf(tree, quiet), "");
        EXPECT_EQ(TipOf(tree, stream), "RV40 320x240");
        EXPECT_EQ(TipOf(tree, file), "A file\nwith two lines");
        const std::vector<std::pair<HTREEITEM, LPARAM>> asked = {{quiet, 0}, {stream, 7}, {file, 0}};
        EXPECT_EQ(d.m_tipRequests, asked);
    });
}

TEST_F(TreeTest, ItemsShowTheImagesOfTheirIndexes)
{
    WithTree([](CTestDlg&, CTreeCtrl& tree) {
        QPixmap red(16, 16), blue(16, 16);
        red.fill(Qt::red);
        blue.fill(Qt::blue);
        const QIcon redIcon(red), blueIcon(blue);
        CImageList images;
        images.Create(16, 16, ILC_COLOR8, 0, 4);
        EXPECT_EQ(images.Add(&redIcon), 0);
        EXPECT_EQ(images.Add(&blueIcon), 1);
        EXPECT_EQ(images.Add(nullptr), -1);

        HTREEITEM early = tree.InsertItem("before the list", 1, 1);
        tree.SetImageList(&images, TVSIL_NORMAL);
        HTREEITEM late = tree.InsertItem("after the list", 0, 1);
        EXPECT_EQ(tree.GetImageList(TVSIL_NORMAL), &images);
        const auto colour = [](HTREEITEM item, QIcon::Mode mode) {
            return item->icon(0).pixmap(16, 16, mode).toImage().pixelColor(8, 8);
        };
        EXPECT_EQ(colour(early, QIcon::Normal), QColor(Qt::blue));
        EXPECT_EQ(colour(late, QIcon::Normal), QColor(Qt::red));
        EXPECT_EQ(colour(late, QIcon::Selected), QColor(Qt::blue));
        tree.SetImageList(nullptr, TVSIL_NORMAL);
    });
}

}  // namespace
