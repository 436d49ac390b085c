// The program's resources: dialog templates, icons and strings, looked up
// by id the way dialogs and the application ask for them.
#pragma once

#include <vector>

#include "framework/afx.h"

// One control of a dialog template; positions and sizes in dialog units.
struct DialogControl {
    int id = IDC_STATIC;
    const char* windowClass = "";  // "button", "static", "edit", "SysTreeView32", "msctls_progress32"
    const char* text = "";
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
    UINT icon = 0;  // icon resource shown by an SS_ICON static
};

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
