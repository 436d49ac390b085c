// Files that reach the list other than one by one through Add: named on
// the command line, dropped from a file manager, or several chosen at once.
#include <filesystem>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include "framework/app.h"
#include "kestrova_version.h"
#include "main_dialog.h"
#include "support/process.h"
#include "ui/command_line.h"

using testing_rm::dataFile;

namespace {

std::vector<CString> FileTexts(const CTreeCtrl& tree)
{
    std::vector<CString> texts;
    for (HTREEITEM file : Files(tree))
        texts.push_back(tree.GetItemText(file));
    return texts;
}

TEST(MuxApp, FilesOnTheCommandLineAreAddedInOrderAsAddAddsThem)
{
    Script script;
    testing_rm::TempDir dir;
    CWinApp* app = AfxGetApp();
    ASSERT_NE(app, nullptr);
    const std::string missing = dir.file("missing.rm");
    app->m_arguments = {dataFile("audio_ac3_meta.rm"), missing, "--", dataFile("video_rv20_ac3.rm")};
    std::vector<CString> listed;
    script.OnNextModal([&](CDialog& d) {
        listed = FileTexts(static_cast<CMuxDlg&>(d).m_tree);
        EXPECT_EQ(Streams(static_cast<CMuxDlg&>(d).m_tree, Files(static_cast<CMuxDlg&>(d).m_tree).at(1)).size(), 2u);
        PressKey(d, Qt::Key_Escape);
    });
    EXPECT_EQ(app->InitInstance(), FALSE);
    EXPECT_EQ(app->ExitInstance(), 0);
    app->m_arguments.clear();
    EXPECT_EQ(listed, (std::vector<CString>{dataFile("audio_ac3_meta.rm"), dataFile("video_rv20_ac3.rm")}));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "The file cannot be opened: No such file or directory");
    EXPECT_EQ(script.messages[0].caption, "Error");
}

TEST(MuxApp, AnUnknownOptionEndsTheProgramBeforeTheDialog)
{
    Script script;  // any dialog shown would fail the test
    CWinApp* app = AfxGetApp();
    ASSERT_NE(app, nullptr);
    app->m_arguments = {dataFile("audio_ac3_meta.rm"), "--sideways"};
    EXPECT_EQ(app->InitInstance(), FALSE);
    EXPECT_EQ(app->ExitInstance(), 2);
    app->m_arguments.clear();
}

TEST(CommandLine, FullPathsInOrderWithDoubleDashEndingTheOptions)
{
    EXPECT_EQ(ParseCommandLine({}).files, std::vector<CString>{});
    const CommandLine files = ParseCommandLine({"a.rm", "/data/-", "--", "-b.rm", "--version"});
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(files.files, (std::vector<CString>{here + "/a.rm", "/data/-", here + "/-b.rm", here + "/--version"}));
    EXPECT_EQ(files.problem, "");
    const CommandLine unknown = ParseCommandLine({"a.rm", "-x", "b.rm"});
    EXPECT_EQ(unknown.problem, "unknown option -x");
    EXPECT_TRUE(unknown.files.empty());
}

// The program itself: --version and --help need no display at all.
TEST(KestrovaProgram, VersionAndHelpNeedNoDisplay)
{
    const std::vector<std::string> noDisplay = {"env", "-u", "QT_QPA_PLATFORM", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                                KESTROVA_GUI};
    auto version = noDisplay;
    version.push_back("--version");
    const testing_rm::Outcome v = testing_rm::run(version);
    EXPECT_EQ(v.status, 0) << v.err;
    EXPECT_EQ(v.out, "kestrova " KESTROVA_VERSION "\n");
    EXPECT_EQ(v.out, testing_rm::run({KESTROVA_CLI, "--version"}).out);

    auto help = noDisplay;
    help.push_back("-h");
    const testing_rm::Outcome h = testing_rm::run(help);
    EXPECT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(h.out.rfind("Usage: kestrova [OPTION]... [FILE]...\n", 0), 0u) << h.out;
}

TEST(KestrovaProgram, AnUnknownOptionIsBadUsage)
{
    const testing_rm::Outcome o = testing_rm::run({KESTROVA_GUI, "-platform", "offscreen", "--sideways"});
    EXPECT_EQ(o.status, 2);
    // (Qt may have its own notes on stderr first.)
    EXPECT_NE(o.err.find("kestrova: unknown option --sideways\nUsage: kestrova"), std::string::npos) << o.err;
}

// Drags and drops as the window system hands them to the dialog's window,
// at the middle of the list.
class DropTest : public MainDialogTest {
protected:
    // True when the dialog accepts the drag as it enters.
    static bool Drop(CMuxDlg& d, const QList<QUrl>& urls)
    {
        QWindow* window = d.GetSafeHwnd()->windowHandle();
        QWidget* tree = d.m_tree.GetSafeHwnd();
        const QPoint where = tree->mapTo(d.GetSafeHwnd(), tree->rect().center());
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }
};

TEST_F(DropTest, TwoLocalFilesAndAWebAddressAddTheTwoFiles)
{
    Show([this](CMuxDlg& d) {
        EXPECT_TRUE(Drop(d, {QUrl::fromLocalFile(QString::fromStdString(dataFile("video_rv10.rm"))),
                             QUrl("https://example.com/remote.rm"),
                             QUrl::fromLocalFile(QString::fromStdString(dataFile("audio_ac3_meta.rm")))}));
        EXPECT_EQ(FileTexts(d.m_tree),
                  (std::vector<CString>{dataFile("video_rv10.rm"), dataFile("audio_ac3_meta.rm")}));
        EXPECT_EQ(d.m_tree.GetCount(), 4u);
    });
    EXPECT_TRUE(script.messages.empty());
}

TEST_F(DropTest, ADragWithNoLocalFileIsRefusedAndAFileThatIsNoRealMediaIsSaidSo)
{
    const std::string text = dir.file("notes.txt");
    testing_rm::writeFileBytes(text, "not a RealMedia file");
    Show([&](CMuxDlg& d) {
        EXPECT_FALSE(Drop(d, {QUrl("https://example.com/remote.rm"), QUrl("ftp://example.com/other.rm")}));
        EXPECT_TRUE(Drop(d, {QUrl::fromLocalFile(QString::fromStdString(text))}));
        EXPECT_TRUE(Files(d.m_tree).empty());
    });
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text, "Invalid RM file or no usable streams\nNot a RealMedia file: no \".RMF\" at the start");
    EXPECT_EQ(script.messages[0].caption, "Error");
}

TEST_F(DropTest, NothingIsDroppedWhileAnotherDialogIsModalOverTheList)
{
    // As under the progress dialog, while the muxer is busy merging.
    Show([this](CMuxDlg& d) {
        script.OnNextModal([&d](CDialog& about) {
            EXPECT_FALSE(Drop(d, {QUrl::fromLocalFile(QString::fromStdString(dataFile("video_rv10.rm")))}));
            Press(about, IDOK);
        });
        d.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        EXPECT_TRUE(Files(d.m_tree).empty());
    });
}

TEST_F(MainDialogTest, AddTakesSeveralFilesInTheOrderChosen)
{
    Show([this](CMuxDlg& d) {
        script.ChooseFiles({dataFile("audio_ac3_meta.rm"), dataFile("audio_ra144.rm"), dataFile("video_rv10.rm")});
        Press(d, IDC_ADD);
        EXPECT_EQ(FileTexts(d.m_tree), (std::vector<CString>{dataFile("audio_ac3_meta.rm"), dataFile("video_rv10.rm")}));
    });
    // The file with no usable stream is refused as Add refuses it.
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].text,
              "Invalid RM file or no usable streams\nNo stream is usable: stream 0 (audio/x-pn-realaudio) has duration 0");
}

}  // namespace
