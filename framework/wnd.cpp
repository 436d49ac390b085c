#include "framework/wnd.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include "framework/dialog_widget.h"
#include "framework/message_box.h"

namespace {

constexpr char kControlIdProperty[] = "afxControlId";

bool matches(const MessageMapEntry& entry, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (entry.message != message)
        return false;
    if (message == WM_COMMAND)
        return LOWORD(wParam) == entry.id && HIWORD(wParam) == entry.code;
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return header->idFrom == entry.id && header->code == entry.code;
    }
    return true;
}

}  // namespace

int AfxControlId(const QWidget* control)
{
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : IDC_STATIC;
}

void AfxSetControlId(QWidget* control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    }
    return 0;
}

CMenu::CMenu(CWnd& owner) : m_owner(owner), m_menu(std::make_unique<QMenu>()) {}

CMenu::~CMenu() = default;

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, const CString& text)
{
    if (flags & MF_SEPARATOR) {
        m_menu->addSeparator();
        return TRUE;
    }
    QAction* action = m_menu->addAction(QString::fromStdString(text));
    QObject::connect(action, &QAction::triggered, m_menu.get(),
                     [this, id] { m_owner.SendMessage(WM_SYSCOMMAND, id, 0); });
    return TRUE;
}

CWnd::~CWnd() = default;

const MessageMap* CWnd::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = {MessageMapEntry{}};
    static const MessageMap map{nullptr, entries};
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

CWnd* CWnd::GetDlgItem(int id) const
{
    if (!m_hWnd)
        return nullptr;
    if (auto found = m_items.find(id); found != m_items.end())
        return found->second.get();
    for (QWidget* child : m_hWnd->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (AfxControlId(child) != id)
            continue;
        auto item = std::make_unique<CWnd>();
        item->Attach(child);
        return m_items.emplace(id, std::move(item)).first->second.get();
    }
    return nullptr;
}

void CWnd::SetWindowText(const CString& text)
{
    if (!m_hWnd)
        return;
    const QString value = QString::fromStdString(text);
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        button->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(m_hWnd))
        label->setText(value);
    else if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd))
        edit->setText(value);
    else
        m_hWnd->setWindowTitle(value);
    // A control of a dialog makes room for its new text.
    if (auto* dialog = dynamic_cast<DialogWidget*>(m_hWnd->parentWidget()))
        dialog->FitTexts();
}

CString CWnd::GetWindowText() const
{
    if (!m_hWnd)
        return {};
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd))
        return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(m_hWnd))
        return label->text().toStdString();
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd))
        return edit->text().toStdString();
    return m_hWnd->windowTitle().toStdString();
}

void CWnd::SetDlgItemText(int id, const CString& text)
{
    if (CWnd* item = GetDlgItem(id))
        item->SetWindowText(text);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageMap* map = GetMessageMap(); map; map = map->base)
        for (const MessageMapEntry* entry = map->entries; entry->handler; ++entry)
            if (matches(*entry, message, wParam, lParam))
                return entry->handler(*this, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

void CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd)
        QMetaObject::invokeMethod(
            m_hWnd, [this, message, wParam, lParam] { SendMessage(message, wParam, lParam); }, Qt::QueuedConnection);
}

void CWnd::DragAcceptFiles(BOOL accept)
{
    if (m_hWnd)
        m_hWnd->setAcceptDrops(accept);
}

UINT DragQueryFile(HDROP drop, UINT index, CString* path)
{
    if (index == 0xFFFFFFFF)
        return static_cast<UINT>(drop->paths.size());
    if (index >= drop->paths.size())
        return 0;
    if (path)
        *path = drop->paths[index];
    return static_cast<UINT>(drop->paths[index].size());
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            return SendMessage(WM_CLOSE, 0, lParam);
        if ((wParam & 0xFFF0) == SC_MINIMIZE && m_hWnd)
            m_hWnd->showMinimized();
        return 0;
    case WM_CLOSE:
        // Every window here is a dialog: closing one is pressing its Cancel.
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    case WM_ICONERASEBKGND:
        if (auto* painter = reinterpret_cast<HDC>(wParam); painter && m_hWnd)
            painter->fillRect(m_hWnd->rect(), m_hWnd->palette().window());
        return 1;
    }
    return 0;
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam)
{
    DefWindowProc(WM_SYSCOMMAND, nID, lParam);
}

void CWnd::OnPaint()
{
    DefWindowProc(WM_PAINT, 0, 0);
}

void CWnd::OnTimer(UINT_PTR nIDEvent)
{
    DefWindowProc(WM_TIMER, nIDEvent, 0);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse)
{
    if (!m_hWnd)
        return 0;
    const QString name = QStringLiteral("afxTimer%1").arg(id);
    auto* timer = m_hWnd->findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
    if (!timer) {
        // The timer is a child of the window, so it stops when the window goes.
        timer = new QTimer(m_hWnd);
        timer->setObjectName(name);
        QObject::connect(timer, &QTimer::timeout, m_hWnd, [this, id] { SendMessage(WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(elapse));
    return id;
}

CMenu* CWnd::GetSystemMenu(BOOL)
{
    if (!(m_style & WS_SYSMENU) || !m_hWnd)
        return nullptr;
    if (!m_systemMenu) {
        m_systemMenu = std::make_unique<CMenu>(*this);
        if (m_style & WS_MINIMIZEBOX)
            m_systemMenu->AppendMenu(MF_STRING, SC_MINIMIZE,
                                 QCoreApplication::translate("CWnd", "Mi&nimize").toStdString());
        m_systemMenu->AppendMenu(MF_STRING, SC_CLOSE,
                                 QCoreApplication::translate("CWnd", "&Close\tAlt+F4").toStdString());
    }
    return m_systemMenu.get();
}

void CWnd::ShowSystemMenu(int x, int y)
{
    if (CMenu* menu = GetSystemMenu(FALSE))
        menu->GetSafeHmenu()->popup(QPoint(x, y));
}

void CWnd::SetIcon(HICON icon, BOOL bigIcon)
{
    (bigIcon ? m_bigIcon : m_smallIcon) = icon;
    if (!m_hWnd)
        return;
    // Qt keeps one window icon in several sizes: the small icon at 16
    // pixels, the big one at 32 and at every larger size it comes in.
    QIcon combined;
    if (m_smallIcon)
        combined.addPixmap(m_smallIcon->pixmap(16, 16));
    if (m_bigIcon) {
        combined.addPixmap(m_bigIcon->pixmap(32, 32));
        for (const QSize& size : m_bigIcon->availableSizes())
            if (size.width() > 32)
                combined.addPixmap(m_bigIcon->pixmap(size));
    }
    m_hWnd->setWindowIcon(combined);
}

BOOL CWnd::IsIconic() const
{
    return m_hWnd && m_hWnd->isMinimized();
}

void CWnd::GetClientRect(CRect* rect) const
{
    *rect = CRect{};
    if (m_hWnd) {
        rect->right = m_hWnd->width();
        rect->bottom = m_hWnd->height();
    }
}

int CWnd::MessageBox(const CString& text, const CString& caption, UINT type)
{
    return AfxShowMessageBox(m_hWnd, text, caption, type);
}

void CWnd::ReleaseWindowState()
{
    m_items.clear();
    m_systemMenu.reset();
    m_bigIcon = m_smallIcon = nullptr;
    m_hWnd = nullptr;
}
