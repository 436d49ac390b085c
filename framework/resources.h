// The program's resources: dialog templates, icons and strings, looked up
// by id the way dialogs and the application ask for them.
#pragma once

#include <vector>

#include "framework/afx.h"

// How a control follows a dialog that the user resizes: the share, in
// percent, of the dialog's growth by which it moves and by which it grows,
// across and down. A control anchored to the right edge moves by 100
// across; one that fills the dialog grows by 100 both ways.
struct DynamicLayout {
    int moveX = 0, moveY = 0;
    int sizeX = 0, sizeY = 0;
};

// One control of a dialog template; positions and sizes in dialog units.
// Its text, when marked for translation (see framework/translations.h), is
// shown in the user's language, and the control grows to fit it.
struct DialogControl {
    int id = IDC_STATIC;
    const char* windowClass = "";  // "button", "static", "edit", "SysTreeView32", "msctls_progress32"
    const char* text = "";
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    UINT icon = 0;  // icon resource shown by an SS_ICON static
    DynamicLayout layout{};
};

// A dialog: WS_THICKFRAME in its style lets the user resize it (its size is
// then remembered); without it the dialog keeps the size it opens with.
struct DialogTemplate {
    UINT id = 0;
    const char* caption = "";
    int cx = 0, cy = 0;  // dialog units
    const char* fontName = "";
    int pointSize = 8;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::vector<DialogControl> controls;  // template order, which is also the tab order
};

// An icon: one image per size it comes in, as XPM data or as image files
// (such as PNG files compiled in as Qt resources, ":/icons/app-32.png").
struct IconResource {
    UINT id = 0;
    std::vector<const char* const*> images{};
    std::vector<const char*> files{};
};

struct StringResource {
    UINT id = 0;
    const char* text = "";
};

struct ResourceModule {
    std::vector<DialogTemplate> dialogs;
    std::vector<IconResource> icons;
    std::vector<StringResource> strings;
};

// Makes `module` the one that every lookup below searches.
void AfxSetResourceModule(const ResourceModule* module);

// Null, or an empty string, when the module has no such resource.
const DialogTemplate* AfxFindTemplate(UINT id);
HICON AfxLoadIcon(UINT id);
CString AfxLoadString(UINT id);
