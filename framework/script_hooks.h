// Hooks through which tests take the user's place. When hooks are set,
// every modal dialog hands itself to them once its modal loop runs, and
// every file dialog and message box asks them for its answer instead of
// showing itself; the dialog code runs unchanged. A file dialog's answer is
// what the user chose or typed: the file dialog then does with it what the
// platform's dialog does (adds the default extension, asks before a file is
// replaced, through a message box that the hooks answer too).
#pragma once

#include <future>
#include <optional>
#include <vector>

#include "framework/afx.h"

class CDialog;

struct FileDialogRequest {
    BOOL open;       // TRUE for an open dialog, FALSE for a save dialog
    CString filter;  // as given, "Name|patterns|...||"
    DWORD flags;
    CString folder = {};  // the folder the dialog opens in: the one last used, or "" for Qt's choice
    CString fileName = {};  // the name the dialog starts with; "" for none
    CString title = {};     // the dialog's title; "" for the platform's own
};

struct MessageBoxRequest {
    CString text;
    CString caption;
    UINT type;
};

class AfxScriptHooks {
public:
    virtual ~AfxScriptHooks() = default;
    // Called inside the dialog's modal loop, after OnInitDialog.
    virtual void OnModalLoop(CDialog& dialog) = 0;
    // The chosen paths (several only where the request allows them), or
    // no value for Cancel.
    virtual std::optional<std::vector<CString>> OnFileDialog(const FileDialogRequest& request) = 0;
    // The id of the button pressed.
    virtual int OnMessageBox(const MessageBoxRequest& request) = 0;
    // A worker thread started by AfxBeginThread runs its function once the
    // returned future is ready: tests choose the moment, so that what the
    // worker meets does not depend on how fast the machine is.
    virtual std::shared_future<void> OnBeginThread();
};

// Null hooks (the default) let the user answer.
void AfxSetScriptHooks(AfxScriptHooks* hooks);
AfxScriptHooks* AfxGetScriptHooks();
