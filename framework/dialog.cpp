#include "framework/dialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimer>
#include <QValidator>

#include "framework/dialog_widget.h"
#include "framework/message_box.h"
#include "framework/resources.h"
#include "framework/script_hooks.h"

namespace {

// Lets the text grow only up to `limit` characters. Text that is already
// longer, as put there by the program, stays, and can only be shortened.
class MaxCharsValidator : public QValidator {
public:
    MaxCharsValidator(int limit, QLineEdit* edit)
        : QValidator(edit), m_limit(limit), m_acceptedLength(static_cast<int>(edit->text().size()))
    {
        // The text as it stands after every change, the program's included.
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { m_acceptedLength = static_cast<int>(text.size()); });
    }

    State validate(QString& input, int&) const override
    {
        const bool grows = input.size() > m_acceptedLength;
        return input.size() > m_limit && grows ? Invalid : Acceptable;
    }

private:
    int m_limit;
    int m_acceptedLength;
};

void focusControl(QWidget* control)
{
    control->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id)
{
    CWnd* item = m_pDlgWnd->GetDlgItem(id);
    m_lastControl = item ? item->GetSafeHwnd() : nullptr;
    return m_lastControl;
}

void CDataExchange::Fail()
{
    m_failed = true;
    if (m_lastControl)
        focusControl(m_lastControl);
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

INT_PTR CDialog::DoModal()
{
    const DialogTemplate* dialogTemplate = AfxFindTemplate(m_templateId);
    if (!dialogTemplate)
        return -1;
    DialogWidget widget(*this, *dialogTemplate, m_parent ? m_parent->GetSafeHwnd() : nullptr);
    m_hWnd = &widget;
    m_style = dialogTemplate->style;
    m_result = IDCANCEL;

    if (OnInitDialog())
        widget.FocusFirstControl();
    if (AfxScriptHooks* hooks = AfxGetScriptHooks())
        QTimer::singleShot(0, &widget, [this, hooks] { hooks->OnModalLoop(*this); });
    widget.exec();

    for (CWnd* control : m_boundControls)
        control->Detach();
    m_boundControls.clear();
    ReleaseWindowState();
    return m_result;
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    if (m_hWnd)
        static_cast<DialogWidget*>(m_hWnd)->done(result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (control && control->GetSafeHwnd())
        focusControl(control->GetSafeHwnd());
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (pDX->Failed() || control.GetSafeHwnd())
        return;
    if (HWND hWnd = pDX->PrepareCtrl(id)) {
        control.Attach(hWnd);
        pDX->m_pDlgWnd->m_boundControls.push_back(&control);
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    if (pDX->Failed())
        return;
    auto* box = qobject_cast<QCheckBox*>(pDX->PrepareCtrl(id));
    if (!box)
        return;
    if (pDX->m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value)
{
    if (pDX->Failed())
        return;
    auto* edit = qobject_cast<QLineEdit*>(pDX->PrepareCtrl(id));
    if (!edit)
        return;
    if (pDX->m_bSaveAndValidate)
        value = edit->text().toStdString();
    else
        edit->setText(QString::fromStdString(value));
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int count)
{
    if (pDX->Failed())
        return;
    if (!pDX->m_bSaveAndValidate) {
        // The control prepared last is the edit the value went into.
        auto* edit = qobject_cast<QLineEdit*>(pDX->LastControl());
        if (edit && !edit->validator())
            edit->setValidator(new MaxCharsValidator(count, edit));
        return;
    }
    if (QString::fromStdString(value).size() > count) {
        const QString prompt = QCoreApplication::translate("CDialog", "Please enter no more than %1 characters.");
        AfxMessageBox(prompt.arg(count).toStdString(), MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}
