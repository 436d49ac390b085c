// Takes the user's place in the dialogs under test: answers the next file
// dialogs, modal dialogs and questions from a script, records every message
// box, and drives controls as a user would.
#pragma once

#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <vector>
#include <Qt>

#include "framework/dialog.h"
#include "framework/script_hooks.h"
#include "framework/tree_ctrl.h"

class QPoint;
class QWidget;

class Script : public AfxScriptHooks {
public:
    Script();
    // Fails the test when a scripted answer was never asked for.
    ~Script() override;

    // What the next modal dialog does once it is shown.
    void OnNextModal(std::function<void(CDialog&)> action);
    // The answer of the next file dialog: a path, several, or Cancel.
    void ChooseFile(const CString& path);
    void ChooseFiles(const std::vector<CString>& paths);
    void CancelFileDialog();
    // The button (IDYES or IDNO) that answers the next question, a message
    // box with more buttons than OK. A box with only OK is answered with OK.
    void AnswerQuestion(int button);

    // The next worker thread waits to run until ReleaseWorker().
    void HoldNextWorker();
    void ReleaseWorker();

    std::vector<MessageBoxRequest> messages;
    std::vector<FileDialogRequest> fileDialogs;

    void OnModalLoop(CDialog& dialog) override;
    std::optional<std::vector<CString>> OnFileDialog(const FileDialogRequest& request) override;
    int OnMessageBox(const MessageBoxRequest& request) override;
    std::shared_future<void> OnBeginThread() override;

private:
    std::optional<std::promise<void>> m_heldWorker;
    bool m_holdNext = false;
    std::deque<std::function<void(CDialog&)>> m_modalActions;
    std::deque<std::optional<std::vector<CString>>> m_fileAnswers;
    std::deque<int> m_questionAnswers;
};

QWidget* Control(CWnd& dialog, int id);
// Clicks the button `id`, visible or not.
void Press(CWnd& dialog, int id);
// Rests the mouse on a point of a tree, as a user does to see a tip, and
// returns the tip then shown ("" for none).
CString TipAt(CTreeCtrl& tree, QPoint point);
CString TipOf(CTreeCtrl& tree, HTREEITEM item);
// Presses a key in the widget that has the focus in the dialog (or the dialog itself).
void PressKey(CWnd& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Saves a picture of the dialog as it is drawn now, as NAME.png under the
// build folder's "screens" folder; returns the path.
CString Render(CWnd& dialog, const CString& name);
