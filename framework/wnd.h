// CWnd, a window as the dialog code sees it: a handle to a Qt widget, the
// messages sent to it and its message map, timers, icon and system menu.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "framework/afx.h"
#include "framework/message_map.h"

class CWnd;
class QMenu;

// The local files of one drop, in the order the drag carried them.
struct DropFiles {
    std::vector<CString> paths;
};

// With index 0xFFFFFFFF, the number of files dropped. Otherwise stores the
// path of file `index` in *path (when given) and returns its length, or 0
// when there is no such file.
UINT DragQueryFile(HDROP drop, UINT index, CString* path);

// A window's system menu. Choosing an item sends WM_SYSCOMMAND with the
// item's id to the window.
class CMenu {
public:
    explicit CMenu(CWnd& owner);
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // MF_SEPARATOR, or MF_STRING with an id and a text ("&" marks the access key).
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const CString& text = {});
    QMenu* GetSafeHmenu() const { return m_menu.get(); }

private:
    CWnd& m_owner;
    std::unique_ptr<QMenu> m_menu;
};

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    void Detach() { m_hWnd = nullptr; }

    // The child control with that id, or null.
    CWnd* GetDlgItem(int id) const;

    // The window's title, or the text of a button, static or edit control.
    void SetWindowText(const CString& text);
    CString GetWindowText() const;
    void SetDlgItemText(int id, const CString& text);

    // Routes the message through the message maps, else to the default processing.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Sends the message once the event loop next takes up its queue, unless
    // the window is gone by then.
    void PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Whether files dropped on the window reach it, as WM_DROPFILES with
    // the local files of the drop; anything else dropped is ignored.
    void DragAcceptFiles(BOOL accept = TRUE);

    // Starts (or restarts) timer `id`; every `elapse` ms it sends WM_TIMER with the id.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);

    // The system menu, or null when the window's style has no WS_SYSMENU.
    CMenu* GetSystemMenu(BOOL revert);
    // Opens the system menu at global position (x, y).
    void ShowSystemMenu(int x, int y);

    void SetIcon(HICON icon, BOOL bigIcon);
    BOOL IsIconic() const;
    void GetClientRect(CRect* rect) const;

    // A message box owned by this window; returns the button pressed.
    int MessageBox(const CString& text, const CString& caption, UINT type = MB_OK);

protected:
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Default processing, for handlers that pass a message on.
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnTimer(UINT_PTR nIDEvent);

    // Forgets everything tied to the window once it is gone.
    void ReleaseWindowState();

    HWND m_hWnd = nullptr;
    DWORD m_style = 0;

private:
    std::unique_ptr<CMenu> m_systemMenu;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    mutable std::map<int, std::unique_ptr<CWnd>> m_items;
};

// The control id a dialog gave to one of its controls, or IDC_STATIC.
int AfxControlId(const QWidget* control);
void AfxSetControlId(QWidget* control, int id);
