// CDialog: a modal dialog built from a dialog template, with data exchange
// between its controls and the dialog's members.
#pragma once

#include <vector>

#include "framework/wnd.h"

class CDialog;

// The context of one data exchange: the direction, and whether a
// validation has failed (every later exchange step is then skipped).
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The control with that id, remembered as the one a validation that
    // follows refers to.
    HWND PrepareCtrl(int id);
    HWND LastControl() const { return m_lastControl; }
    // Ends the exchange as failed and puts the focus on the control prepared last.
    void Fail();
    bool Failed() const { return m_failed; }

    const BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CDialog* const m_pDlgWnd;

private:
    HWND m_lastControl = nullptr;
    bool m_failed = false;
};

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Shows the dialog and returns, once it has ended, the result given to EndDialog.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Runs the data exchange; FALSE when a validation failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // Puts the focus on `control`, with the whole text of an edit control
    // selected, so that what the user types next replaces it.
    void GotoDlgCtrl(CWnd* control);

    // The dialog's Enter and Escape, as the buttons IDOK and IDCANCEL reach them.
    virtual void OnOK();
    virtual void OnCancel();

protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange* pDX);

    DECLARE_MESSAGE_MAP()

private:
    friend void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

    const UINT m_templateId;
    CWnd* const m_parent;
    int m_result = IDCANCEL;
    std::vector<CWnd*> m_boundControls;  // attached by DDX_Control, detached when the dialog ends
};

// Binds `control` to the dialog's control `id` for as long as the dialog is shown.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// A check box's state: 0 clear, 1 ticked.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// An edit control's text.
void DDX_Text(CDataExchange* pDX, int id, CString& value);
// Refuses text longer than `count` characters with a prompt that names the
// limit; on the way into the control, limits what can be typed.
void DDV_MaxChars(CDataExchange* pDX, const CString& value, int count);
