#include "script.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QPixmap>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>
#include <QWidget>

Script::Script()
{
    AfxSetScriptHooks(this);
}

Script::~Script()
{
    AfxSetScriptHooks(nullptr);
    EXPECT_FALSE(m_heldWorker) << "a held worker thread was never released";
    EXPECT_TRUE(m_modalActions.empty()) << m_modalActions.size() << " modal dialog(s) never shown";
    EXPECT_TRUE(m_fileAnswers.empty()) << m_fileAnswers.size() << " file dialog(s) never shown";
    EXPECT_TRUE(m_questionAnswers.empty()) << m_questionAnswers.size() << " question(s) never asked";
}

void Script::OnNextModal(std::function<void(CDialog&)> action)
{
    m_modalActions.push_back(std::move(action));
}

void Script::ChooseFile(const CString& path)
{
    m_fileAnswers.emplace_back(std::vector<CString>{path});
}

void Script::ChooseFiles(const std::vector<CString>& paths)
{
    m_fileAnswers.emplace_back(paths);
}

void Script::AnswerQuestion(int button)
{
    m_questionAnswers.push_back(button);
}

void Script::CancelFileDialog()
{
    m_fileAnswers.emplace_back(std::nullopt);
}

void Script::HoldNextWorker()
{
    m_holdNext = true;
}

void Script::ReleaseWorker()
{
    ASSERT_TRUE(m_heldWorker) << "no worker thread is held";
    m_heldWorker->set_value();
    m_heldWorker.reset();
}

std::shared_future<void> Script::OnBeginThread()
{
    if (!m_holdNext)
        return AfxScriptHooks::OnBeginThread();
    m_holdNext = false;
    m_heldWorker.emplace();
    return m_heldWorker->get_future().share();
}

void Script::OnModalLoop(CDialog& dialog)
{
    if (m_modalActions.empty()) {
        ADD_FAILURE() << "a modal dialog was shown that the script did not expect";
        dialog.EndDialog(IDCANCEL);
        return;
    }
    auto action = std::move(m_modalActions.front());
    m_modalActions.pop_front();
    // The user works in the dialog's window: it has the keyboard.
    QWidget* window = dialog.GetSafeHwnd();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    action(dialog);
    // A failed ASSERT leaves the action early: end the dialog rather than wait forever.
    if (testing::Test::HasFatalFailure())
        dialog.EndDialog(IDCANCEL);
}

std::optional<std::vector<CString>> Script::OnFileDialog(const FileDialogRequest& request)
{
    fileDialogs.push_back(request);
    if (m_fileAnswers.empty()) {
        ADD_FAILURE() << "a file dialog was shown that the script did not expect";
        return std::nullopt;
    }
    auto answer = m_fileAnswers.front();
    m_fileAnswers.pop_front();
    return answer;
}

int Script::OnMessageBox(const MessageBoxRequest& request)
{
    messages.push_back(request);
    if ((request.type & MB_TYPEMASK) == MB_OK)
        return IDOK;
    if (m_questionAnswers.empty()) {
        ADD_FAILURE() << "a question was asked that the script did not expect: " << request.text;
        return IDNO;
    }
    const int answer = m_questionAnswers.front();
    m_questionAnswers.pop_front();
    return answer;
}

QWidget* Control(CWnd& dialog, int id)
{
    CWnd* item = dialog.GetDlgItem(id);
    return item ? item->GetSafeHwnd() : nullptr;
}

void Press(CWnd& dialog, int id)
{
    auto* button = qobject_cast<QAbstractButton*>(Control(dialog, id));
    if (!button) {
        ADD_FAILURE() << "no button " << id;
        return;
    }
    button->click();
}

CString TipAt(CTreeCtrl& tree, QPoint point)
{
    // A tip still shown from before would only fade out after a while.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->inherits("QTipLabel"))
            window->hide();
    QWidget* viewport = static_cast<QTreeWidget*>(tree.GetSafeHwnd())->viewport();
    QHelpEvent help(QEvent::ToolTip, point, viewport->mapToGlobal(point));
    QApplication::sendEvent(viewport, &help);
    return QToolTip::isVisible() ? QToolTip::text().toStdString() : CString();
}

CString TipOf(CTreeCtrl& tree, HTREEITEM item)
{
    return TipAt(tree, static_cast<QTreeWidget*>(tree.GetSafeHwnd())->visualItemRect(item).center());
}

void PressKey(CWnd& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QWidget* window = dialog.GetSafeHwnd();
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, key, modifiers);
}

CString Render(CWnd& dialog, const CString& name)
{
    const std::filesystem::path folder = std::filesystem::path(KESTROVA_BUILD_DIR) / "screens";
    std::filesystem::create_directories(folder);
    const CString path = (folder / (name + ".png")).string();
    dialog.GetSafeHwnd()->grab().save(QString::fromStdString(path));
    return path;
}
