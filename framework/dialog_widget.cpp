#include "framework/dialog_widget.h"

#include <algorithm>
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
#include <QStyle>
#include <QUrl>

#include "framework/dialog_layout.h"
#include "framework/profile.h"
#include "framework/translations.h"
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

// The size the control's text needs; 0 on an axis where it needs nothing.
QSize textNeed(const QWidget* widget)
{
    const QFontMetrics metrics(widget->font());
    if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
        // The box, the space after it and the text.
        const QStyle* style = check->style();
        const QSize text = metrics.size(Qt::TextShowMnemonic, check->text());
        const int box = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check);
        return {box + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check) + text.width(),
                std::max(text.height(), style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, check))};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        // The text between the button's margins and frame, as Qt's styles
        // lay a push button out (without the minimum width some add).
        const QStyle* style = button->style();
        const int border = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
                           + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        const QSize text = metrics.size(Qt::TextShowMnemonic, button->text());
        return {text.width() + border, text.height() + border};
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->pixmap().isNull()) {
        if (label->text().isEmpty())
            return {};
        // Each line of the text on one line of the label; a label with a
        // buddy shows "&" as the underline of its access key.
        const QSize text = metrics.size(label->buddy() ? Qt::TextShowMnemonic : 0, label->text());
        return {text.width() + 2 * label->margin(), text.height() + 2 * label->margin()};
    }
    return {};
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
    : QDialog(parent, flagsFor(dialogTemplate)),
      m_owner(owner),
      m_templateId(dialogTemplate.id),
      m_resizable(dialogTemplate.style & WS_THICKFRAME),
      m_templateSize(DialogUnitsToPixelsX(dialogTemplate.cx), DialogUnitsToPixelsY(dialogTemplate.cy))
{
    setWindowTitle(AfxTranslateResource(dialogTemplate.caption));
    setFont(dialogFont(dialogTemplate));

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
        m_placed.push_back({widget, widget->geometry(), control.layout, widget->geometry()});
    }
    FitTexts();
    if (m_resizable) {
        const QSize remembered = AfxOpenProfile()->value(QStringLiteral("Dialogs/%1/size").arg(m_templateId)).toSize();
        if (remembered.isValid())
            resize(remembered.expandedTo(m_baseSize));
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
    const QString text = AfxTranslateResource(control.text);
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

void DialogWidget::FitTexts()
{
    // What the user added to the base size stays added.
    const QSize growth = m_baseSize.isValid() ? (size() - m_baseSize).expandedTo(QSize(0, 0)) : QSize(0, 0);
    std::vector<FitItem> items;
    for (const Placed& placed : m_placed)
        items.push_back({placed.templateRect, textNeed(placed.widget)});
    m_baseSize = AfxFitToTexts(items, m_templateSize);
    for (std::size_t i = 0; i < items.size(); ++i)
        m_placed[i].base = items[i].rect;
    if (m_resizable) {
        setMinimumSize(m_baseSize);
        resize(m_baseSize + growth);
    } else {
        setFixedSize(m_baseSize);
    }
    FollowSize();
}

void DialogWidget::FollowSize()
{
    const QSize growth = size() - m_baseSize;
    for (const Placed& placed : m_placed)
        placed.widget->setGeometry(AfxFollowDialog(placed.base, placed.layout, growth));
}

void DialogWidget::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FollowSize();
}

void DialogWidget::done(int result)
{
    if (m_resizable)
        AfxOpenProfile()->setValue(QStringLiteral("Dialogs/%1/size").arg(m_templateId), size());
    QDialog::done(result);
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
