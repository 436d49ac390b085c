// Drives the real main dialog the way a user would, through the scripted
// file dialogs, modal dialogs and message boxes.
#pragma once

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "script.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"
#include "ui/mux_dlg.h"
#include "ui/resource.h"

class MainDialogTest : public testing::Test {
protected:
    // Each test starts with no settings remembered.
    MainDialogTest();

    // Shows the main dialog and runs `body` in it; the dialog is then
    // cancelled unless it has ended by itself. Returns DoModal's result.
    INT_PTR Show(const std::function<void(CMuxDlg&)>& body);

    // Adds a file through Add and the open dialog.
    void Add(CMuxDlg& dialog, const std::string& path);
    // Writes a RealMedia file built from `layout` into the test's folder.
    std::string Build(const std::string& name, const testing_rm::FileSpec& layout);

    Script script;
    testing_rm::TempDir dir;
    CMuxDlg dialog;
};

// The root items, and the children of an item, in order.
std::vector<HTREEITEM> Files(const CTreeCtrl& tree);
std::vector<HTREEITEM> Streams(const CTreeCtrl& tree, HTREEITEM file);
// Ticks stream `i` of file `f`.
void Tick(CTreeCtrl& tree, std::size_t f, std::size_t i);

// A file of these streams, each with four packets.
testing_rm::FileSpec WithPackets(const std::vector<testing_rm::StreamSpec>& streams);
