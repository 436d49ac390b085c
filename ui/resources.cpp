#include "ui/resources.h"

#include <QtGlobal>

#include "ui/icons/audio_16.xpm"
#include "ui/icons/document_16.xpm"
#include "ui/icons/video_16.xpm"
#include "ui/resource.h"

namespace {

constexpr DWORD kChild = WS_VISIBLE | WS_TABSTOP;
// In a resizable dialog: a control that keeps to the right edge, and one
// that grows with the dialog both ways.
constexpr DynamicLayout kRightEdge{.moveX = 100};
constexpr DynamicLayout kFill{.sizeX = 100, .sizeY = 100};
// One that keeps to the bottom edge.
constexpr DynamicLayout kBottomEdge{.moveY = 100};

DialogTemplate aboutBox()
{
    return {
        .id = IDD_ABOUTBOX,
        .caption = QT_TRANSLATE_NOOP("Resources", "About Kestrova"),
        .cx = 235,
        .cy = 55,
        .fontName = "MS Sans Serif",
        .pointSize = 8,
        .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
        .controls = {
            {.windowClass = "static", .x = 11, .y = 17, .cx = 20, .cy = 20, .style = WS_VISIBLE | SS_ICON,
             .icon = IDR_MAINFRAME},
            {.id = IDC_VERSION, .windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "Kestrova Version %1"), .x = 40, .y = 10, .cx = 119, .cy = 8,
             .style = WS_VISIBLE | SS_NOPREFIX | WS_GROUP},
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "Merges streams of RealMedia files"), .x = 40, .y = 25, .cx = 119,
             .cy = 8, .style = WS_VISIBLE | WS_GROUP},
            {.id = IDOK, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "OK"), .x = 178, .y = 7, .cx = 50, .cy = 14,
             .style = kChild | BS_DEFPUSHBUTTON | WS_GROUP},
        },
    };
}

DialogTemplate mainDialog()
{
    return {
        .id = IDD_MUX_DIALOG,
        .caption = QT_TRANSLATE_NOOP("Resources", "Real Media muxer"),
        .cx = 294,
        .cy = 159,
        .fontName = "MS Sans Serif",
        .pointSize = 8,
        .style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | DS_SETFONT,
        .exStyle = WS_EX_APPWINDOW,
        .controls = {
            {.id = IDOK, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "&Merge"), .x = 237, .y = 7, .cx = 50, .cy = 14,
             .style = kChild | BS_DEFPUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDC_APPEND, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "A&ppend"), .x = 237, .y = 23, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDCANCEL, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "&Cancel"), .x = 237, .y = 71, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDC_SOURCE_TREE, .windowClass = "SysTreeView32", .x = 7, .y = 7, .cx = 226, .cy = 126,
             .style = kChild | WS_BORDER | TVS_HASLINES | TVS_CHECKBOXES | TVS_INFOTIP,
             .layout = kFill},
            {.id = IDC_ADD, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "&Add"), .x = 237, .y = 39, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDC_REMOVE, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "&Remove"), .x = 237, .y = 55, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDC_RENAME, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "Re&name"), .x = 237, .y = 87, .cx = 50, .cy = 14,
             .style = WS_TABSTOP | BS_PUSHBUTTON,
             .layout = kRightEdge},
            {.id = IDC_ADD_PLUGIN, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "Add plugin"), .x = 237, .y = 106, .cx = 48,
             .cy = 14, .style = WS_TABSTOP | BS_AUTOCHECKBOX,
             .layout = kRightEdge},
            // The part of the output to write; an empty field is the sources' own start or end.
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "&Start:"), .x = 7, .y = 141, .cx = 24, .cy = 9,
             .style = WS_VISIBLE | WS_GROUP,
             .layout = kBottomEdge},
            {.id = IDC_START, .windowClass = "edit", .x = 32, .y = 139, .cx = 56, .cy = 12,
             .style = kChild | WS_BORDER | ES_AUTOHSCROLL,
             .layout = kBottomEdge},
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "&End:"), .x = 96, .y = 141, .cx = 20, .cy = 9,
             .style = WS_VISIBLE | WS_GROUP,
             .layout = kBottomEdge},
            {.id = IDC_END, .windowClass = "edit", .x = 117, .y = 139, .cx = 56, .cy = 12,
             .style = kChild | WS_BORDER | ES_AUTOHSCROLL,
             .layout = kBottomEdge},
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "empty: whole file"), .x = 178, .y = 141, .cx = 56,
             .cy = 9, .style = WS_VISIBLE | WS_GROUP,
             .layout = kBottomEdge},
        },
    };
}

DialogTemplate renameDialog()
{
    return {
        .id = IDD_RENAME,
        .caption = QT_TRANSLATE_NOOP("Resources", "Rename"),
        .cx = 186,
        .cy = 66,
        .fontName = "MS Sans Serif",
        .pointSize = 8,
        .style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
        .controls = {
            {.id = IDOK, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "OK"), .x = 39, .y = 45, .cx = 50, .cy = 14,
             .style = kChild | BS_DEFPUSHBUTTON},
            {.id = IDCANCEL, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "Cancel"), .x = 96, .y = 45, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON},
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "Note:Stream name is limited to 12 characters"), .x = 18, .y = 34,
             .cx = 148, .cy = 9, .style = WS_VISIBLE | WS_GROUP},
            {.windowClass = "static", .text = QT_TRANSLATE_NOOP("Resources", "Stream name:"), .x = 7, .y = 7, .cx = 83, .cy = 9,
             .style = WS_VISIBLE | WS_GROUP},
            {.id = IDC_STREAM_NAME, .windowClass = "edit", .x = 13, .y = 17, .cx = 158, .cy = 12,
             .style = kChild | WS_BORDER | ES_AUTOHSCROLL},
        },
    };
}

DialogTemplate progressDialog()
{
    return {
        .id = IDD_PROGRESS,
        .caption = QT_TRANSLATE_NOOP("Resources", "Progress"),
        .cx = 187,
        .cy = 50,
        .fontName = "MS Sans Serif",
        .pointSize = 8,
        .style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT,
        .controls = {
            {.id = IDCANCEL, .windowClass = "button", .text = QT_TRANSLATE_NOOP("Resources", "Cancel"), .x = 69, .y = 33, .cx = 50, .cy = 14,
             .style = kChild | BS_PUSHBUTTON},
            {.id = IDC_PROGRESS_TEXT, .windowClass = "static", .x = 5, .y = 4, .cx = 175, .cy = 9,
             .style = WS_VISIBLE | SS_NOPREFIX},
            {.id = IDC_PROGRESS, .windowClass = "msctls_progress32", .x = 5, .y = 16, .cx = 175, .cy = 10,
             .style = WS_VISIBLE | WS_BORDER | PBS_SMOOTH},
        },
    };
}

}  // namespace

const ResourceModule& KestrovaResources()
{
    static const ResourceModule module{
        .dialogs = {aboutBox(), mainDialog(), renameDialog(), progressDialog()},
        .icons = {
            // Rendered from icons/kestrova.svg at build time.
            {.id = IDR_MAINFRAME,
             .files = {":/icons/kestrova-16.png", ":/icons/kestrova-32.png", ":/icons/kestrova-48.png",
                       ":/icons/kestrova-64.png", ":/icons/kestrova-128.png", ":/icons/kestrova-256.png"}},
            {.id = IDI_VIDEO, .images = {video_16}},
            {.id = IDI_DOCUMENT, .images = {document_16}},
            {.id = IDI_AUDIO, .images = {audio_16}},
        },
        .strings = {{IDS_ABOUTBOX, QT_TRANSLATE_NOOP("Resources", "&About Kestrova...")}},
    };
    return module;
}
