// The application object and the main dialog's shell: template, keys,
// system menu and About box, icons and images, and the tree that never
// collapses.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "framework/app.h"
#include "framework/image_list.h"
#include "framework/resources.h"
#include "kestrova_version.h"
#include "main_dialog.h"
#include "ui/mux_app.h"

using testing_rm::dataFile;

namespace {

QString Caption(CDialog& d, int id)
{
    return static_cast<QAbstractButton*>(Control(d, id))->text();
}

TEST_F(MainDialogTest, ShowsTheTemplatesControls)
{
    Show([](CMuxDlg& d) {
        EXPECT_EQ(d.GetSafeHwnd()->windowTitle(), "Real Media muxer");
        EXPECT_EQ(d.GetSafeHwnd()->size(), QSize(441, 258));
        EXPECT_EQ(Caption(d, IDOK), "&Merge");
        EXPECT_EQ(Caption(d, IDCANCEL), "&Cancel");
        EXPECT_EQ(Caption(d, IDC_ADD), "&Add");
        EXPECT_EQ(Caption(d, IDC_REMOVE), "&Remove");
        EXPECT_EQ(Caption(d, IDC_RENAME), "Re&name");
        EXPECT_EQ(Caption(d, IDC_ADD_PLUGIN), "Add plugin");
        EXPECT_NE(qobject_cast<QTreeWidget*>(Control(d, IDC_SOURCE_TREE)), nullptr);
        EXPECT_NE(qobject_cast<QCheckBox*>(Control(d, IDC_ADD_PLUGIN)), nullptr);
        for (int id : {IDOK, IDCANCEL, IDC_SOURCE_TREE, IDC_ADD, IDC_REMOVE})
            EXPECT_TRUE(Control(d, id)->isVisible()) << id;
        EXPECT_FALSE(Control(d, IDC_RENAME)->isVisible());
        EXPECT_FALSE(Control(d, IDC_ADD_PLUGIN)->isVisible());
        EXPECT_TRUE(static_cast<QPushButton*>(Control(d, IDOK))->isDefault());
        EXPECT_EQ(d.m_tree.GetSafeHwnd(), Control(d, IDC_SOURCE_TREE));
        EXPECT_EQ(d.m_addPlugin, 0);
    });
}

TEST(MuxApp, InitInstanceShowsTheMainDialogAndEndsWithIt)
{
    Script script;
    CWinApp* app = AfxGetApp();
    ASSERT_NE(app, nullptr);
    script.OnNextModal([app](CDialog& d) {
        EXPECT_EQ(app->m_pMainWnd, &d);
        EXPECT_EQ(d.GetSafeHwnd()->windowTitle(), "Real Media muxer");
        PressKey(d, Qt::Key_Escape);
    });
    EXPECT_EQ(app->InitInstance(), FALSE);
    EXPECT_EQ(app->m_pMainWnd, nullptr);
}

TEST_F(MainDialogTest, EnterRunsMergeAndEscapeEndsTheDialog)
{
    EXPECT_EQ(Show([this](CMuxDlg& d) {
                  PressKey(d, Qt::Key_Return);  // an empty list: nothing to merge, nothing asked
                  Add(d, dataFile("video_rv10.rm"));
                  Tick(d.m_tree, 0, 0);
                  Control(d, IDC_SOURCE_TREE)->setFocus();
                  script.CancelFileDialog();
                  PressKey(d, Qt::Key_Return);
                  EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
                  PressKey(d, Qt::Key_Escape);
              }),
              IDCANCEL);
    ASSERT_EQ(script.fileDialogs.size(), 2u);
    EXPECT_FALSE(script.fileDialogs[1].open);  // the save dialog of Merge
}

TEST_F(MainDialogTest, SystemMenuEndsWithAboutWhichOpensTheAboutBox)
{
    Show([this](CMuxDlg& d) {
        PressKey(d, Qt::Key_Space, Qt::AltModifier);
        QMenu* menu = d.GetSystemMenu(FALSE)->GetSafeHmenu();
        EXPECT_EQ(QApplication::activePopupWidget(), menu);
        const QList<QAction*> actions = menu->actions();
        ASSERT_GE(actions.size(), 2);
        EXPECT_TRUE(actions[actions.size() - 2]->isSeparator());
        EXPECT_EQ(actions.back()->text(), "&About Kestrova...");
        menu->close();

        script.OnNextModal([](CDialog& about) {
            EXPECT_EQ(about.GetSafeHwnd()->windowTitle(), "About Kestrova");
            QStringList texts;
            bool icon = false;
            for (auto* label : about.GetSafeHwnd()->findChildren<QLabel*>()) {
                texts << label->text();
                icon = icon || !label->pixmap().isNull();
            }
            EXPECT_TRUE(texts.contains("Kestrova Version " KESTROVA_VERSION)) << texts.join(", ").toStdString();
            EXPECT_TRUE(icon);
            EXPECT_TRUE(static_cast<QPushButton*>(Control(about, IDOK))->isDefault());
            Press(about, IDOK);
        });
        actions.back()->trigger();

        // Any system command from 16 to 31 is the About command.
        script.OnNextModal([](CDialog& about) { PressKey(about, Qt::Key_Escape); });
        d.SendMessage(WM_SYSCOMMAND, 31, 0);
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
    });
}

TEST_F(MainDialogTest, ImagesAreVideoAudioThenDocument)
{
    Show([](CMuxDlg& d) {
        const CImageList* images = d.m_tree.GetImageList(TVSIL_NORMAL);
        ASSERT_NE(images, nullptr);
        ASSERT_EQ(images->GetImageCount(), 3);
        const UINT expected[] = {IDI_VIDEO, IDI_AUDIO, IDI_DOCUMENT};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(images->GetImage(i).toImage(), AfxLoadIcon(expected[i])->pixmap(16, 16).toImage()) << i;
        EXPECT_FALSE(d.GetSafeHwnd()->windowIcon().isNull());
    });
}

TEST_F(MainDialogTest, TheApplicationIconComesInEverySizeAndIsTheWindowsIcon)
{
    const QList<QSize> sizes = {{16, 16}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    HICON icon = AfxLoadIcon(IDR_MAINFRAME);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->availableSizes(), sizes);
    // Drawn, not blank: it has the colours of its strips.
    const QImage large = icon->pixmap(256, 256).toImage().convertToFormat(QImage::Format_Indexed8);
    EXPECT_GT(large.colorCount(), 16);
    Show([&](CMuxDlg& d) {
        const QIcon window = d.GetSafeHwnd()->windowIcon();
        EXPECT_EQ(window.availableSizes(), sizes);
        EXPECT_EQ(window.pixmap(256, 256).toImage(), icon->pixmap(256, 256).toImage());
    });
}

TEST_F(MainDialogTest, MinimisedItDrawsItsIconCentred)
{
    Show([](CMuxDlg& d) {
        d.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(d.IsIconic());
        QWidget* window = d.GetSafeHwnd();
        QImage drawn(window->size(), QImage::Format_ARGB32);
        drawn.fill(Qt::magenta);
        window->render(&drawn, QPoint(), QRegion(), QWidget::DrawWindowBackground);
        QImage icon(32, 32, QImage::Format_ARGB32);
        icon.fill(window->palette().window().color());
        {
            QPainter painter(&icon);
            painter.drawPixmap(0, 0, AfxLoadIcon(IDR_MAINFRAME)->pixmap(32, 32));
        }
        // At ((441 - 32 + 1) / 2, (258 - 32 + 1) / 2).
        EXPECT_EQ(drawn.copy(205, 113, 32, 32), icon);
        EXPECT_EQ(drawn.pixelColor(2, 2), window->palette().window().color());
        window->showNormal();
    });
}

TEST_F(MainDialogTest, FileItemsExpandButNeverCollapse)
{
    Show([this](CMuxDlg& d) {
        Add(d, dataFile("video_rv20_ac3.rm"));
        auto* tree = static_cast<QTreeWidget*>(d.m_tree.GetSafeHwnd());
        HTREEITEM file = Files(d.m_tree).at(0);
        EXPECT_TRUE(file->isExpanded());
        tree->setFocus();
        d.m_tree.SelectItem(file);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(file).center());
        QTest::keyClick(tree, Qt::Key_Left);
        QTest::keyClick(tree, Qt::Key_Minus);
        EXPECT_TRUE(file->isExpanded());

        d.m_tree.Expand(file, TVE_COLLAPSE);
        QTest::keyClick(tree, Qt::Key_Plus);
        EXPECT_TRUE(file->isExpanded());
    });
}

}  // namespace
