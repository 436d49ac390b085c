// File dialogs: filters, scripted answers, several files at once, the
// default extension and the question before a file is replaced, scripted
// and in Qt's own dialog.
#include <fstream>
#include <gtest/gtest.h>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

TEST(FileDialog, OpensSeveralFilesInTheOrderChosen)
{
    Script script;
    script.ChooseFiles({"/tmp/b.rm", "/tmp/a.rm", "/tmp/c.rm"});
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, "X|*.x||");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathNames(), (std::vector<CString>{"/tmp/b.rm", "/tmp/a.rm", "/tmp/c.rm"}));
    EXPECT_EQ(open.GetPathName(), "/tmp/b.rm");
}

class SaveDialogTest : public testing::Test {
protected:
    CString Existing(const char* name)
    {
        const CString path = Path(name);
        std::ofstream(path) << "kept";
        return path;
    }
    CString Path(const char* name) const { return dir.filePath(name).toStdString(); }
    static CString Contents(const CString& path)
    {
        std::ifstream in(path);
        return CString(std::istreambuf_iterator<char>(in), {});
    }

    QTemporaryDir dir;
};

TEST_F(SaveDialogTest, ANameWithoutAnExtensionGetsTheDefaultOne)
{
    Script script;
    script.ChooseFile(Path("movie"));
    script.ChooseFile(Path("movie.v2"));
    CFileDialog save(FALSE, "rm", nullptr, OFN_OVERWRITEPROMPT, "X|*.rm||");
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), Path("movie.rm"));
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), Path("movie.v2"));
}

TEST_F(SaveDialogTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysYes)
{
    const CString existing = Existing("old.rm");
    Script script;
    script.ChooseFile(Path("old"));  // the default extension names the existing file
    script.AnswerQuestion(IDNO);      // the dialog stays open ...
    script.ChooseFile(existing);
    script.AnswerQuestion(IDYES);     // ... until the user agrees
    CFileDialog save(FALSE, "rm", nullptr, OFN_OVERWRITEPROMPT, "X|*.rm||");
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), existing);
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[0].text, "old.rm already exists.\nDo you want to replace it?");
    EXPECT_EQ(script.messages[0].caption, "Save As");
    EXPECT_EQ(script.messages[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(script.fileDialogs.size(), 2u);

    // No, then Cancel: nothing chosen.
    script.ChooseFile(existing);
    script.AnswerQuestion(IDNO);
    script.CancelFileDialog();
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    EXPECT_EQ(save.GetPathName(), "");
    EXPECT_EQ(Contents(existing), "kept");
}

TEST_F(SaveDialogTest, NoQuestionWithoutThePromptFlagOrForANewFile)
{
    const CString existing = Existing("old.rm");
    Script script;
    script.ChooseFile(existing);
    script.ChooseFile(Path("new.rm"));
    CFileDialog quiet(FALSE, nullptr, nullptr, 0, "X|*.rm||");
    EXPECT_EQ(quiet.DoModal(), IDOK);
    CFileDialog asking(FALSE, nullptr, nullptr, OFN_OVERWRITEPROMPT, "X|*.rm||");
    EXPECT_EQ(asking.DoModal(), IDOK);
    EXPECT_TRUE(script.messages.empty());
}

// Qt's own dialog, with no script: it asks the same question, and appends
// the same extension, as the scripted dialog does.
TEST_F(SaveDialogTest, QtsDialogAsksTheSameQuestionAndAppendsTheSameExtension)
{
    const CString existing = Existing("old.rm");
    QStringList questions;
    QString caption;
    bool stayedOpen = false;
    // The user types a name and presses Enter, in the name box that has the keyboard.
    const auto enter = [](QFileDialog* fileDialog, const QString& path) {
        fileDialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(fileDialog));
        auto* name = fileDialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setFocus();
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    };
    QTimer::singleShot(0, [&] {
        QFileDialog* fileDialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            fileDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            return fileDialog != nullptr;
        }));
        // A question holds its own modal loop: a timer answers it No.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                questions << box->text();
                caption = box->windowTitle();
                box->button(QMessageBox::No)->click();
            }
        });
        answer.start(10);
        enter(fileDialog, dir.filePath("old"));
        stayedOpen = fileDialog->isVisible();
        enter(fileDialog, dir.filePath("fresh"));
        if (fileDialog->isVisible())
            fileDialog->reject();
    });
    CFileDialog save(FALSE, "rm", nullptr, OFN_OVERWRITEPROMPT, "X|*.rm||");
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(questions, QStringList{"old.rm already exists.\nDo you want to replace it?"});
    EXPECT_EQ(caption.toStdString(), "Save As");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(save.GetPathName(), Path("fresh.rm"));
    EXPECT_EQ(Contents(existing), "kept");
}

}  // namespace
