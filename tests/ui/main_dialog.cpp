#include "main_dialog.h"

#include <QWidget>

#include "framework/profile.h"
#include "ui/mux_app.h"

// The program's application object, as kestrova has it.
CMuxApp theApp;

MainDialogTest::MainDialogTest()
{
    AfxOpenProfile()->clear();
}

INT_PTR MainDialogTest::Show(const std::function<void(CMuxDlg&)>& body)
{
    script.OnNextModal([&body](CDialog& d) {
        body(static_cast<CMuxDlg&>(d));
        if (d.GetSafeHwnd()->isVisible())
            Press(d, IDCANCEL);
    });
    return dialog.DoModal();
}

void MainDialogTest::Add(CMuxDlg& d, const std::string& path)
{
    script.ChooseFile(path);
    Press(d, IDC_ADD);
}

std::string MainDialogTest::Build(const std::string& name, const testing_rm::FileSpec& layout)
{
    const std::string path = dir.file(name);
    testing_rm::writeFileBytes(path, testing_rm::buildFile(layout));
    return path;
}

std::vector<HTREEITEM> Files(const CTreeCtrl& tree)
{
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = tree.GetNextItem(nullptr, TVGN_ROOT); item; item = tree.GetNextItem(item, TVGN_NEXT))
        items.push_back(item);
    return items;
}

std::vector<HTREEITEM> Streams(const CTreeCtrl& tree, HTREEITEM file)
{
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = tree.GetNextItem(file, TVGN_CHILD); item; item = tree.GetNextItem(item, TVGN_NEXT))
        items.push_back(item);
    return items;
}

void Tick(CTreeCtrl& tree, std::size_t f, std::size_t i)
{
    tree.SetCheck(Streams(tree, Files(tree).at(f)).at(i));
}

testing_rm::FileSpec WithPackets(const std::vector<testing_rm::StreamSpec>& streams)
{
    testing_rm::FileSpec layout;
    layout.streams = streams;
    for (uint32_t t = 0; t < 4; ++t)
        for (const auto& s : streams)
            layout.packets.push_back({.number = s.number, .timestamp = t * 100, .payload = s.name + std::to_string(t)});
    return layout;
}
