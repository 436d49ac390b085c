// CTreeCtrl: a tree of items with text, images, item data and, with the
// TVS_CHECKBOXES style, a check box each; the box of an item with children
// ticks or unticks them all, and shows partly ticked when some are.
#pragma once

#include "framework/wnd.h"

class CImageList;

// The parent to give InsertItem for an item at the root level.
inline constexpr HTREEITEM TVI_ROOT = nullptr;

class CTreeCtrl : public CWnd {
public:
    // Appends an item after the last child of `parent`, its check box clear.
    HTREEITEM InsertItem(const CString& text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT);
    BOOL DeleteItem(HTREEITEM item);

    // Navigation: TVGN_ROOT (item ignored), TVGN_NEXT, TVGN_CHILD, TVGN_PARENT,
    // TVGN_CARET (the selected item; item ignored). Null when there is none.
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
    BOOL SelectItem(HTREEITEM item);
    UINT GetCount() const;

    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, const CString& text);
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    // TRUE only when ticked whole (an item with children: all of them).
    BOOL GetCheck(HTREEITEM item) const;
    BOOL SetCheck(HTREEITEM item, BOOL check = TRUE);

    // TVE_EXPAND or TVE_COLLAPSE, without asking the dialog.
    BOOL Expand(HTREEITEM item, UINT action);
    BOOL EnsureVisible(HTREEITEM item);

    // TVSIL_NORMAL: the item images. The list must outlive the control.
    void SetImageList(const CImageList* images, int kind);
    const CImageList* GetImageList(int kind) const;
};
