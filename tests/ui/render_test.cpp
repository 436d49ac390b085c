// Pictures of every dialog, saved under the build folder's "screens"
// folder for a person to look at.
#include <QImage>

#include "main_dialog.h"
#include "mux/merge_signals.h"
#include "ui/about_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/rename_dlg.h"

using testing_rm::dataFile;

namespace {

// A saved picture has the dialog's size and is not blank.
void ExpectPicture(const CString& path, QSize size)
{
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull()) << path;
    EXPECT_EQ(image.size(), size);
    EXPECT_GT(image.copy(QRect(QPoint(0, 0), size)).convertToFormat(QImage::Format_Indexed8).colorCount(), 4);
}

TEST_F(MainDialogTest, RendersEveryDialog)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        Add(d, dataFile("audio_ac3_meta.rm"));
        Tick(d.m_tree, 0, 0);
        Tick(d.m_tree, 1, 0);
        ExpectPicture(Render(d, "main-dialog"), QSize(441, 258));

        script.OnNextModal([](CDialog& about) {
            ExpectPicture(Render(about, "about-box"), QSize(353, 89));
            Press(about, IDOK);
        });
        d.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);

        d.m_tree.SelectItem(Streams(d.m_tree, Files(d.m_tree)[1])[0]);
        script.OnNextModal([](CDialog& rename) {
            ExpectPicture(Render(rename, "rename-dialog"), QSize(279, 107));
            Press(rename, IDCANCEL);
        });
        Press(d, IDC_RENAME);
    });

    ResetMergeSignals();
    g_progress = 60;
    script.OnNextModal([](CDialog& progress) {
        progress.SendMessage(WM_TIMER, IDT_PROGRESS, 0);
        ExpectPicture(Render(progress, "progress-dialog"), QSize(281, 81));
        progress.EndDialog(IDCANCEL);
    });
    CProgressDlg progress;
    progress.DoModal();
    ResetMergeSignals();
}

}  // namespace
