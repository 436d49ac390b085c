#include <gtest/gtest.h>

#include "framework/file_dialog.h"
#include "script.h"

namespace {

TEST(FileFilter, BecomesQtsNamedPatternLists)
{
    EXPECT_EQ(AfxQtFileFilter("Real media (*.rm,*.rmvb)|*.rm;*.rmvb||"), "Real media (*.rm,*.rmvb) (*.rm *.rmvb)");
    EXPECT_EQ(AfxQtFileFilter("Text|*.txt|All|*.*||"), "Text (*.txt);;All (*.*)");
    EXPECT_EQ(AfxQtFileFilter(""), "");
}

TEST(FileDialog, TakesTheScriptedAnswer)
{
    Script script;
    script.ChooseFile("/tmp/a.rm");
    script.CancelFileDialog();
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "X|*.x||");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "/tmp/a.rm");
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    EXPECT_EQ(open.GetPathName(), "");
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_TRUE(script.fileDialogs[0].open);
    EXPECT_EQ(script.fileDialogs[0].filter, "X|*.x||");
    EXPECT_EQ(script.fileDialogs[0].flags, OFN_FILEMUSTEXIST);
}

}  // namespace
