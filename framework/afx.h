// Types and constants of the dialog framework, named and numbered as
// Windows dialog programs know them, so that dialogs are written in the
// familiar way while Qt Widgets does the drawing.
#pragma once

#include <cstdint>
#include <string>

class QIcon;
class QPainter;
class QTreeWidgetItem;
class QWidget;

using BOOL = int;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
using UINT = unsigned int;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using INT_PTR = intptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// Text is UTF-8 throughout.
using CString = std::string;

using HWND = QWidget*;
using HICON = const QIcon*;
using HDC = QPainter*;
using HTREEITEM = QTreeWidgetItem*;
struct DropFiles;
using HDROP = const DropFiles*;

struct CRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Dialog results and the ids of the standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
// The id of controls that no code addresses.
inline constexpr int IDC_STATIC = -1;

// Window messages.
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_ICONERASEBKGND = 0x0027;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_DROPFILES = 0x0233;
// The first message number free for a program's own messages.
inline constexpr UINT WM_USER = 0x0400;

// WM_COMMAND packs the control id in the low word and the notification in the high word.
inline constexpr UINT BN_CLICKED = 0;
constexpr WPARAM MAKEWPARAM(UINT low, UINT high) { return (low & 0xFFFF) | ((high & 0xFFFF) << 16); }
constexpr UINT LOWORD(WPARAM w) { return static_cast<UINT>(w & 0xFFFF); }
constexpr UINT HIWORD(WPARAM w) { return static_cast<UINT>((w >> 16) & 0xFFFF); }

// System commands.
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_CLOSE = 0xF060;

// Menu item flags.
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_SEPARATOR = 0x0800;

// Window styles, dialog styles and the extended style used by dialog templates.
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD DS_SETFONT = 0x40;
inline constexpr DWORD DS_MODALFRAME = 0x80;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

// Control styles.
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr DWORD SS_ICON = 0x3;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;
inline constexpr DWORD ES_AUTOHSCROLL = 0x80;
inline constexpr DWORD TVS_HASLINES = 0x2;
inline constexpr DWORD TVS_CHECKBOXES = 0x100;
inline constexpr DWORD TVS_INFOTIP = 0x800;
inline constexpr DWORD PBS_SMOOTH = 0x1;

// Tree control: notifications, actions, navigation codes and image list kinds.
inline constexpr UINT TVN_ITEMEXPANDINGA = static_cast<UINT>(-405);
inline constexpr UINT TVN_GETINFOTIPA = static_cast<UINT>(-413);
inline constexpr UINT TVN_KEYDOWN = static_cast<UINT>(-412);
inline constexpr UINT TVE_COLLAPSE = 1;
inline constexpr UINT TVE_EXPAND = 2;
inline constexpr UINT TVGN_ROOT = 0x0;
inline constexpr UINT TVGN_NEXT = 0x1;
inline constexpr UINT TVGN_PARENT = 0x3;
inline constexpr UINT TVGN_CHILD = 0x4;
inline constexpr UINT TVGN_CARET = 0x9;
inline constexpr int TVSIL_NORMAL = 0;

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

struct NMTREEVIEW {
    NMHDR hdr;
    UINT action;
    HTREEITEM itemOld;
    HTREEITEM itemNew;
};

// TVN_GETINFOTIP: a TVS_INFOTIP tree asks for the tip of the item under the
// mouse; the handler writes it into pszText, at most cchTextMax bytes with
// the terminator. An empty text shows no tip.
inline constexpr int INFOTIPSIZE = 1024;
struct NMTVGETINFOTIPA {
    NMHDR hdr;
    char* pszText;
    int cchTextMax;
    HTREEITEM hItem;
    LPARAM lParam;  // the item's data
};

// TVN_KEYDOWN: a key pressed in the tree, before the tree acts on it.
inline constexpr WORD VK_DELETE = 0x2E;
struct NMTVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};

// Message box styles: the buttons, then the icon.
inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_YESNO = 0x04;
inline constexpr UINT MB_TYPEMASK = 0x0F;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_ICONMASK = 0xF0;

// File dialog flags.
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x0002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x0004;
inline constexpr DWORD OFN_ALLOWMULTISELECT = 0x0200;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

// Image list colour depth.
inline constexpr UINT ILC_COLOR8 = 0x0008;

// System metrics.
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
int GetSystemMetrics(int index);
