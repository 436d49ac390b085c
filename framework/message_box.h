// Message boxes: a text, a caption, an icon, and an OK button or the
// buttons Yes and No.
#pragma once

#include "framework/afx.h"

// Shows a modal message box over `owner` (may be null); returns the button
// pressed: IDOK, or for MB_YESNO IDYES or IDNO (Escape answers No).
int AfxShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type);

// A message box captioned with the application's name.
int AfxMessageBox(const CString& text, UINT type = MB_OK);
