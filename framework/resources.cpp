#include "framework/resources.h"

#include <map>
#include <QIcon>
#include <QPixmap>

#include "framework/translations.h"

namespace {

const ResourceModule* g_module = nullptr;

// Icons are made once, on first use (they need the running application),
// and live as long as the program.
std::map<UINT, QIcon>& loadedIcons()
{
    static std::map<UINT, QIcon> icons;
    return icons;
}

}  // namespace

void AfxSetResourceModule(const ResourceModule* module)
{
    g_module = module;
    loadedIcons().clear();
}

const DialogTemplate* AfxFindTemplate(UINT id)
{
    if (g_module)
        for (const DialogTemplate& dialog : g_module->dialogs)
            if (dialog.id == id)
                return &dialog;
    return nullptr;
}

HICON AfxLoadIcon(UINT id)
{
    auto& icons = loadedIcons();
    if (auto found = icons.find(id); found != icons.end())
        return &found->second;
    if (!g_module)
        return nullptr;
    for (const IconResource& resource : g_module->icons) {
        if (resource.id != id)
            continue;
        QIcon icon;
        for (const char* const* xpm : resource.images)
            icon.addPixmap(QPixmap(xpm));
        for (const char* file : resource.files)
            icon.addFile(QString::fromUtf8(file));
        return &icons.emplace(id, icon).first->second;
    }
    return nullptr;
}

CString AfxLoadString(UINT id)
{
    if (g_module)
        for (const StringResource& string : g_module->strings)
            if (string.id == id)
                return AfxTranslateResource(string.text).toStdString();
    return {};
}
