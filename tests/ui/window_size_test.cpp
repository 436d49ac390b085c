// The main dialog's window: the tree grows with it, the buttons keep to
// its right edge and the Start and End fields to its bottom edge; its size, and the folder of the files chosen last, are
// remembered for the next time it opens.
#include <filesystem>
#include <QScrollBar>
#include <QTreeWidget>

#include "framework/profile.h"
#include "main_dialog.h"

using testing_rm::dataFile;

namespace {

constexpr int kButtons[] = {IDOK, IDC_APPEND, IDCANCEL, IDC_ADD, IDC_REMOVE, IDC_RENAME, IDC_ADD_PLUGIN};
// The Start and End fields, under the tree.
constexpr int kBottomRow[] = {IDC_START, IDC_END};

TEST_F(MainDialogTest, TreeGrowsWithTheWindowAndTheOtherControlsKeepToItsEdges)
{
    Show([](CMuxDlg& d) {
        QWidget* window = d.GetSafeHwnd();
        const QSize base = window->size();
        EXPECT_EQ(window->minimumSize(), base);
        EXPECT_GT(window->maximumWidth(), base.width());
        const QRect tree = Control(d, IDC_SOURCE_TREE)->geometry();
        std::map<int, QRect> buttons, fields;
        for (int id : kButtons)
            buttons[id] = Control(d, id)->geometry();
        for (int id : kBottomRow)
            fields[id] = Control(d, id)->geometry();

        for (const QSize growth : {QSize(300, 200), QSize(40, 0), QSize(0, 90), QSize(0, 0)}) {
            window->resize(base + growth);
            EXPECT_EQ(Control(d, IDC_SOURCE_TREE)->geometry(), tree.adjusted(0, 0, growth.width(), growth.height()))
                << growth.width() << "x" << growth.height();
            for (int id : kButtons)
                EXPECT_EQ(Control(d, id)->geometry(), buttons[id].translated(growth.width(), 0))
                    << id << " at " << growth.width() << "x" << growth.height();
            for (int id : kBottomRow)
                EXPECT_EQ(Control(d, id)->geometry(), fields[id].translated(0, growth.height()))
                    << id << " at " << growth.width() << "x" << growth.height();
        }
        // Never smaller than its controls need.
        window->resize(base / 2);
        EXPECT_EQ(window->size(), base);
    });
}

TEST_F(MainDialogTest, ALongPathScrollsInsteadOfBeingCut)
{
    const std::string deep = dir.file(std::string(40, 'd'));
    std::filesystem::create_directories(deep);
    const std::string path = deep + "/" + std::string(60, 'n') + ".rm";
    std::filesystem::copy_file(dataFile("audio_ac3_meta.rm"), path);
    Show([this, &path](CMuxDlg& d) {
        Add(d, path);
        auto* tree = static_cast<QTreeWidget*>(Control(d, IDC_SOURCE_TREE));
        const QTreeWidgetItem* item = tree->topLevelItem(0);
        const int textWidth = tree->fontMetrics().horizontalAdvance(item->text(0));
        EXPECT_GE(tree->columnWidth(0), textWidth);
        EXPECT_GT(textWidth, tree->viewport()->width());
        EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0);
    });
}

TEST_F(MainDialogTest, RemembersItsSizeAndTheFolderLastUsed)
{
    const QSize chosen(720, 480);
    Show([this, &chosen](CMuxDlg& d) {
        d.GetSafeHwnd()->resize(chosen);
        Add(d, dataFile("audio_ac3_meta.rm"));
    });
    ASSERT_EQ(script.fileDialogs.size(), 1u);
    EXPECT_EQ(script.fileDialogs[0].folder, "");  // nothing remembered yet

    // The next time, as after the program is started again.
    const CString dataFolder = std::filesystem::path(dataFile("audio_ac3_meta.rm")).parent_path().string();
    CMuxDlg again;
    script.OnNextModal([this, &chosen](CDialog& d) {
        EXPECT_EQ(d.GetSafeHwnd()->size(), chosen);
        script.ChooseFile(dataFile("video_rv10.rm"));
        Press(d, IDC_ADD);
        Tick(static_cast<CMuxDlg&>(d).m_tree, 0, 0);
        script.CancelFileDialog();
        Press(d, IDOK);
        Press(d, IDCANCEL);
    });
    again.DoModal();
    ASSERT_EQ(script.fileDialogs.size(), 3u);
    EXPECT_EQ(script.fileDialogs[1].folder, dataFolder);  // Add
    EXPECT_FALSE(script.fileDialogs[2].open);
    EXPECT_EQ(script.fileDialogs[2].folder, dataFolder);  // the save dialog of Merge
    EXPECT_EQ(AfxOpenProfile()->value("Dialogs/" + QString::number(IDD_MUX_DIALOG) + "/size").toSize(), chosen);
}

TEST_F(MainDialogTest, AFolderThatIsGoneIsNotOfferedAgain)
{
    const std::string gone = dir.file("gone");
    std::filesystem::create_directories(gone);
    std::filesystem::copy_file(dataFile("audio_ac3_meta.rm"), gone + "/a.rm");
    Show([this, &gone](CMuxDlg& d) {
        Add(d, gone + "/a.rm");
        std::filesystem::remove_all(gone);
        script.CancelFileDialog();
        Press(d, IDC_ADD);
    });
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_EQ(script.fileDialogs[1].folder, "");
}

}  // namespace
