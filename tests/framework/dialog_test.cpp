// Modal dialogs from templates: layout, keys, data exchange and
// validation, message routing, the system menu and timers.
#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "framework/dialog_widget.h"
#include "script.h"
#include "test_dialog.h"

namespace {

class DialogTest : public testing::Test {
protected:
    void SetUp() override { AfxSetResourceModule(&TestResources()); }
    void TearDown() override { AfxSetResourceModule(nullptr); }

    Script script;
    CTestDlg dialog;
};

TEST_F(DialogTest, LaysOutTheTemplateInDialogUnits)
{
    script.OnNextModal([](CDialog& d) {
        QWidget* window = d.GetSafeHwnd();
        EXPECT_EQ(window->windowTitle(), "Test dialog");
        // 6 × 13 pixels per 4 × 8 dialog units.
        EXPECT_EQ(window->size(), QSize(300, 163));
        EXPECT_EQ(Control(d, kEdit)->geometry(), QRect(11, 11, 180, 20));
        EXPECT_EQ(Control(d, IDOK)->geometry(), QRect(210, 11, 75, 23));
        EXPECT_TRUE(static_cast<QPushButton*>(Control(d, IDOK))->isDefault());
        EXPECT_FALSE(static_cast<QPushButton*>(Control(d, IDCANCEL))->isDefault());
        EXPECT_TRUE(Control(d, kCount)->isVisible());
        EXPECT_FALSE(Control(d, kHidden)->isVisible());
        // The first tab stop has the focus; Tab follows template order.
        EXPECT_EQ(window->focusWidget(), Control(d, IDOK));
        EXPECT_EQ(Control(d, IDOK)->nextInFocusChain(), Control(d, IDCANCEL));
        EXPECT_EQ(Control(d, IDCANCEL)->nextInFocusChain(), Control(d, kEdit));
        d.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DialogTest, EnterPressesTheDefaultButtonAndSavesTheControls)
{
    dialog.m_text = "abc";
    script.OnNextModal([](CDialog& d) {
        EXPECT_EQ(static_cast<QLineEdit*>(Control(d, kEdit))->text(), "abc");
        static_cast<QLineEdit*>(Control(d, kEdit))->setText("xy");
        static_cast<QCheckBox*>(Control(d, kCheck))->setChecked(true);
        Control(d, kEdit)->setFocus();
        PressKey(d, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_text, "xy");
    EXPECT_EQ(dialog.m_check, 1);
}

TEST_F(DialogTest, EscapeAndTheCloseBoxCancelWithoutSaving)
{
    script.OnNextModal([](CDialog& d) {
        static_cast<QCheckBox*>(Control(d, kCheck))->setChecked(true);
        PressKey(d, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_check, 0);

    script.OnNextModal([](CDialog& d) { d.GetSafeHwnd()->close(); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_systemCommands, std::vector<UINT>{SC_CLOSE});
}

TEST_F(DialogTest, OverlongTextIsRefusedWithAPromptAndTheDialogStaysOpen)
{
    dialog.m_text = "abcdefgh";  // put there by the program, longer than the limit
    script.OnNextModal([this](CDialog& d) {
        auto* edit = static_cast<QLineEdit*>(Control(d, kEdit));
        EXPECT_EQ(edit->text(), "abcdefgh");
        Press(d, IDOK);
        ASSERT_EQ(script.messages.size(), 1u);
        EXPECT_EQ(script.messages[0].text, "Please enter no more than 5 characters.");
        EXPECT_TRUE(d.GetSafeHwnd()->isVisible());
        EXPECT_EQ(d.GetSafeHwnd()->focusWidget(), edit);

        // Typing cannot lengthen it, shortening works, and new text stops at the limit.
        edit->setCursorPosition(8);
        QTest::keyClicks(edit, "z");
        EXPECT_EQ(edit->text(), "abcdefgh");
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit->text(), "abcdefg");
        edit->clear();
        QTest::keyClicks(edit, "123456789");
        EXPECT_EQ(edit->text(), "12345");
        Press(d, IDOK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_text, "12345");
    EXPECT_EQ(script.messages.size(), 1u);
}

TEST_F(DialogTest, ButtonsReachTheirHandlersHiddenOrNot)
{
    script.OnNextModal([](CDialog& d) {
        Press(d, kCount);
        Press(d, kCount);
        Press(d, kHidden);  // bound to nothing: no effect
        Press(d, IDCANCEL);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_counted, 2);
}

TEST_F(DialogTest, SystemMenuIsReachedByKeyboardAndItsCommandsByTheDialog)
{
    script.OnNextModal([](CDialog& d) {
        CMenu* menu = d.GetSystemMenu(FALSE);
        ASSERT_NE(menu, nullptr);
        menu->AppendMenu(MF_SEPARATOR);
        menu->AppendMenu(MF_STRING, 0x20, "&Extra");
        PressKey(d, Qt::Key_Space, Qt::AltModifier);
        EXPECT_EQ(QApplication::activePopupWidget(), menu->GetSafeHmenu());
        const QList<QAction*> actions = menu->GetSafeHmenu()->actions();
        ASSERT_EQ(actions.size(), 3);
        EXPECT_EQ(actions[0]->text(), "&Close\tAlt+F4");
        EXPECT_TRUE(actions[1]->isSeparator());
        menu->GetSafeHmenu()->close();

        // A right click on the dialog's background opens it too; on a control it does not.
        const auto rightClick = [](QWidget* target, QPoint at) {
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
            QApplication::sendEvent(target, &event);
        };
        rightClick(d.GetSafeHwnd(), QPoint(2, 2));
        EXPECT_EQ(QApplication::activePopupWidget(), menu->GetSafeHmenu());
        menu->GetSafeHmenu()->close();
        rightClick(Control(d, kCount), QPoint(2, 2));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

        actions[2]->trigger();
        actions[0]->trigger();  // Close ends the dialog as Cancel does
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_systemCommands, (std::vector<UINT>{0x20, SC_CLOSE}));
}

TEST_F(DialogTest, TimersSendTheirIdUntilTheDialogEnds)
{
    script.OnNextModal([](CDialog& d) { d.SetTimer(7, 1); });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_timers, (std::vector<UINT_PTR>{7, 7, 7}));
}

TEST_F(DialogTest, ProgressPositionsOutsideTheRangeShowAsItsEnds)
{
    script.OnNextModal([this](CDialog& d) {
        dialog.m_progress.SetRange(0, 100);
        dialog.m_progress.SetPos(40);
        EXPECT_EQ(dialog.m_progress.GetPos(), 40);
        EXPECT_EQ(dialog.m_progress.SetPos(255), 40);
        EXPECT_EQ(dialog.m_progress.GetPos(), 100);
        dialog.m_progress.SetPos(-3);
        EXPECT_EQ(dialog.m_progress.GetPos(), 0);
        d.EndDialog(IDCANCEL);
    });
    dialog.DoModal();
    // Controls are let go with their window.
    EXPECT_EQ(dialog.m_progress.GetSafeHwnd(), nullptr);
    EXPECT_EQ(dialog.m_tree.GetSafeHwnd(), nullptr);
}

TEST(DialogUnits, MapToTheBaseUnitsOfMsSansSerif8)
{
    EXPECT_EQ(DialogUnitsToPixelsX(294), 441);
    EXPECT_EQ(DialogUnitsToPixelsY(159), 258);
    EXPECT_EQ(DialogUnitsToPixelsX(1), 2);  // 1.5 rounds up
    EXPECT_EQ(DialogUnitsToPixelsY(1), 2);  // 1.625 rounds up
}

TEST(DialogTemplates, AnUnknownTemplateIsNotShown)
{
    AfxSetResourceModule(&TestResources());
    CDialog unknown(999);
    EXPECT_EQ(unknown.DoModal(), -1);
    AfxSetResourceModule(nullptr);
}

}  // namespace
