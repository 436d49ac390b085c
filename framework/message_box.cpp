#include "framework/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "framework/script_hooks.h"

namespace {

QMessageBox::Icon iconFor(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

int AfxShowMessageBox(HWND owner, const CString& text, const CString& caption, UINT type)
{
    if (AfxScriptHooks* hooks = AfxGetScriptHooks())
        return hooks->OnMessageBox({text, caption, type});
    const bool question = (type & MB_TYPEMASK) == MB_YESNO;
    QMessageBox box(iconFor(type), QString::fromStdString(caption), QString::fromStdString(text),
                    question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    const int pressed = box.exec();
    if (!question)
        return IDOK;
    return pressed == QMessageBox::Yes ? IDYES : IDNO;
}

int AfxMessageBox(const CString& text, UINT type)
{
    return AfxShowMessageBox(nullptr, text, QCoreApplication::applicationName().toStdString(), type);
}
