// Message maps: per class, a table that binds a window message (and for
// WM_COMMAND and WM_NOTIFY a notification code and a control id) to an
// On... handler. A message that no table of the class or its bases binds
// gets the window's default processing.
//
//     BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//         ON_BN_CLICKED(1001, OnAdd)
//     END_MESSAGE_MAP()
#pragma once

#include "framework/afx.h"

class CWnd;

struct MessageMapEntry {
    UINT message = 0;
    UINT code = 0;  // WM_COMMAND, WM_NOTIFY: the notification code
    UINT id = 0;    // WM_COMMAND, WM_NOTIFY: the control id
    LRESULT (*handler)(CWnd& target, WPARAM wParam, LPARAM lParam) = nullptr;
};

struct MessageMap {
    const MessageMap* base;          // the base class's table, searched next
    const MessageMapEntry* entries;  // ends with an entry that has no handler
};

#define DECLARE_MESSAGE_MAP()                      \
protected:                                         \
    static const MessageMap* GetThisMessageMap();  \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }    \
    const MessageMap* theClass::GetThisMessageMap()                                       \
    {                                                                                     \
        using ThisClass = theClass;                                                       \
        using TheBaseClass = baseClass;                                                   \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                       \
            MessageMapEntry{}};                                                 \
        static const MessageMap map{TheBaseClass::GetThisMessageMap(), entries}; \
        return &map;                                                            \
    }

#define ON_COMMAND(id, handler)                                                          \
    MessageMapEntry{WM_COMMAND, BN_CLICKED, static_cast<UINT>(id),                      \
                    [](CWnd& target, WPARAM, LPARAM) -> LRESULT {                        \
                        static_cast<ThisClass&>(target).handler();                       \
                        return 0;                                                        \
                    }},

#define ON_BN_CLICKED(id, handler) ON_COMMAND(id, handler)

#define ON_NOTIFY(notification, id, handler)                                                     \
    MessageMapEntry{WM_NOTIFY, static_cast<UINT>(notification), static_cast<UINT>(id),          \
                    [](CWnd& target, WPARAM, LPARAM lParam) -> LRESULT {                         \
                        LRESULT result = 0;                                                      \
                        static_cast<ThisClass&>(target).handler(reinterpret_cast<NMHDR*>(lParam), \
                                                                &result);                        \
                        return result;                                                           \
                    }},

#define ON_WM_SYSCOMMAND()                                                                         \
    MessageMapEntry{WM_SYSCOMMAND, 0, 0, [](CWnd& target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
                        static_cast<ThisClass&>(target).OnSysCommand(static_cast<UINT>(wParam), lParam); \
                        return 0;                                                                  \
                    }},

#define ON_WM_PAINT()                                                                  \
    MessageMapEntry{WM_PAINT, 0, 0, [](CWnd& target, WPARAM, LPARAM) -> LRESULT {     \
                        static_cast<ThisClass&>(target).OnPaint();                     \
                        return 0;                                                      \
                    }},

#define ON_WM_DROPFILES()                                                                   \
    MessageMapEntry{WM_DROPFILES, 0, 0, [](CWnd& target, WPARAM wParam, LPARAM) -> LRESULT {   \
                        static_cast<ThisClass&>(target).OnDropFiles(reinterpret_cast<HDROP>(wParam)); \
                        return 0;                                                           \
                    }},

// A program's own message (WM_USER and up), handled as LRESULT handler(WPARAM, LPARAM).
#define ON_MESSAGE(message, handler)                                                           \
    MessageMapEntry{static_cast<UINT>(message), 0, 0, [](CWnd& target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
                        return static_cast<ThisClass&>(target).handler(wParam, lParam);        \
                    }},

#define ON_WM_TIMER()                                                                      \
    MessageMapEntry{WM_TIMER, 0, 0, [](CWnd& target, WPARAM wParam, LPARAM) -> LRESULT {  \
                        static_cast<ThisClass&>(target).OnTimer(static_cast<UINT_PTR>(wParam)); \
                        return 0;                                                          \
                    }},
