#include "framework/dialog_widget.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>

#include "framework/tree_widget.h"
#include "framework/wnd.h"

namespace {

constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

// The template's font, or a stand-in where it is not installed. A stand-in
// is sized so that its average character is no wider and no taller than the
// template font's base units, so that every text fits where the template
// placed it.
QFont dialogFont(const DialogTemplate& dialogTemplate)
{
    QFont font(QString::fromUtf8(dialogTemplate.fontName));
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int nominal = (dialogTemplate.pointSize * 96 + 36) / 72;
    for (int pixels = nominal; pixels > 6; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(alphabet) / alphabet.size() <= kBaseUnitX && metrics.height() <= kBaseUnitY)
            break;
    }
    return font;
}

Qt::WindowFlags flagsFor(const DialogTemplate& dialogTemplate)
{
    // An application window gets a task bar entry like any main window.
    Qt::WindowFlags flags = (dialogTemplate.exStyle & WS_EX_APPWINDOW) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint;
    if ((dialogTemplate.style & WS_CAPTION) == WS_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (dialogTemplate.style & WS_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.style & WS_MINIMIZEBOX)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

// The local files among the dragged URLs; web addresses and the like are left out.
DropFiles localFiles(const QMimeData* data)
{
    DropFiles files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files.paths.push_back(url.toLocalFile().toStdString());
    return files;
}

}  // namespace

int DialogUnitsToPixelsX(int units)
{
    return (units * kBaseUnitX + 2) / 4;
}

int DialogUnitsToPixelsY(int units)
{
    return (units * kBaseUnitY + 4) / 8;
}

DialogWidget::DialogWidget(CWnd& owner, const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, flagsFor(dialogTemplate)), m_owner(owner)
{
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    setFont(dialogFont(dialogTemplate));
    // DS_MODALFRAME: a fixed frame that cannot be resized.
    setFixedSize(DialogUnitsToPixelsX(dialogTemplate.cx), DialogUnitsToPixelsY(dialogTemplate.cy));

    QWidget* previousTabStop = nullptr;
    // A label whose text marks a mnemonic ("&Start:") hands the focus to
    // the control that follows it in the template, as dialog labels do.
    QLabel* labelWithMnemonic = nullptr;
    for (const DialogControl& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control);
        if (!widget)
            continue;
        if (labelWithMnemonic)
            labelWithMnemonic->setBuddy(widget);
        labelWithMnemonic = nullptr;
        if (auto* label = qobject_cast<QLabel*>(widget);
            label && !(control.style & SS_NOPREFIX) && label->text().contains(u'&'))
            labelWithMnemonic = label;
        widget->setGeometry(DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
                            DialogUnitsToPixelsX(control.cx), DialogUnitsToPixelsY(control.cy));
        AfxSetControlId(widget, control.id);
        if (control.style & WS_TABSTOP) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            else
                m_firstTabStop = widget;
            previousTabStop = widget;
        } else if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocusPolicy(Qt::ClickFocus);
        }
        widget->setVisible(control.style & WS_VISIBLE);
        // An icon static takes the size of the icon it shows.
        if (auto* label = qobject_cast<QLabel*>(widget); label && (control.style & SS_TYPEMASK) == SS_ICON)
            label->resize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    }

    // Alt+Space opens the system menu, as a right click on the dialog's background does.
    auto* systemMenuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(systemMenuKey, &QShortcut::activated, this, [this] {
        const QPoint corner = mapToGlobal(QPoint(0, 0));
        m_owner.ShowSystemMenu(corner.x(), corner.y());
    });
}

QWidget* DialogWidget::CreateControl(const DialogControl& control)
{
    const QString text = QString::fromUtf8(control.text);
    const std::string windowClass = control.windowClass;
    if (windowClass == "button") {
        QAbstractButton* button = nullptr;
        if ((control.style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
            button = new QCheckBox(text, this);
        } else {
            auto* push = new QPushButton(text, this);
            push->setAutoDefault(true);
            push->setDefault((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
            button = push;
        }
        const int id = control.id;
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { m_owner.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); });
        return button;
    }
    if (windowClass == "static") {
        auto* label = new QLabel(this);
        if ((control.style & SS_TYPEMASK) == SS_ICON) {
            if (HICON icon = AfxLoadIcon(control.icon))
                label->setPixmap(icon->pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
            return label;
        }
        label->setText(text);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    if (windowClass == "edit")
        return new QLineEdit(text, this);
    if (windowClass == "SysTreeView32")
        return new TreeWidget(control.id, control.style, this);
    if (windowClass == "msctls_progress32") {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        return bar;
    }
    return nullptr;
}

void DialogWidget::FocusFirstControl()
{
    if (m_firstTabStop)
        m_firstTabStop->setFocus();
}

void DialogWidget::reject()
{
    m_owner.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DialogWidget::paintEvent(QPaintEvent*)
{
    m_owner.SendMessage(WM_PAINT, 0, 0);
}

void DialogWidget::closeEvent(QCloseEvent* event)
{
    // The dialog decides: the close box reaches it as SC_CLOSE.
    event->ignore();
    m_owner.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool DialogWidget::BlockedByModal() const
{
    const QWidget* modal = QApplication::activeModalWidget();
    return modal && modal != this;
}

void DialogWidget::dragEnterEvent(QDragEnterEvent* event)
{
    // Only a drag that carries a local file may be dropped here, and only
    // while no other dialog is modal over this one: a window under a modal
    // dialog takes no input.
    if (!BlockedByModal() && !localFiles(event->mimeData()).paths.empty())
        event->acceptProposedAction();
}

void DialogWidget::dropEvent(QDropEvent* event)
{
    const DropFiles files = localFiles(event->mimeData());
    if (BlockedByModal() || files.paths.empty())
        return;
    event->acceptProposedAction();
    m_owner.SendMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(&files), 0);
}

void DialogWidget::contextMenuEvent(QContextMenuEvent* event)
{
    if (childAt(event->pos()))
        return QDialog::contextMenuEvent(event);
    m_owner.ShowSystemMenu(event->globalPos().x(), event->globalPos().y());
}
