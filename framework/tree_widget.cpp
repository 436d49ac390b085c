#include "framework/tree_widget.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

#include "framework/dialog_widget.h"
#include "framework/image_list.h"
#include "framework/wnd.h"

namespace {

// Qt's Windows style draws a partly ticked box as a ticked one on a grey
// ground, which the eye takes for ticked; Windows itself fills it with a
// square. This style does so, and draws everything else as Windows does.
class LinesStyle : public QProxyStyle {
public:
    LinesStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_IndicatorItemViewItemCheck || !(option->state & State_NoChange))
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        QStyleOptionViewItem clear;
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option))
            clear = *item;
        else
            clear.QStyleOption::operator=(*option);
        clear.state = (option->state & ~State_NoChange) | State_Off;
        QProxyStyle::drawPrimitive(element, &clear, painter, widget);
        const int inset = option->rect.width() / 4;
        painter->fillRect(option->rect.adjusted(inset, inset, -inset, -inset), option->palette.color(QPalette::Text));
    }
};

}  // namespace

TreeWidget::TreeWidget(int id, DWORD style, QWidget* parent) : QTreeWidget(parent), m_id(id), m_style(style)
{
    setHeaderHidden(true);
    setColumnCount(1);
    // The column is as wide as its widest item, so that a long path is
    // never cut: the tree scrolls sideways to it instead.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    // Without TVS_LINESATROOT the root items carry no expand mark.
    setRootIsDecorated(false);
    // Expanding and collapsing go through RequestExpand.
    setExpandsOnDoubleClick(false);
    // TVS_HASLINES: dotted lines join each item to its parent; Qt's
    // Windows style draws them, Fusion does not.
    if (style & TVS_HASLINES) {
        auto* lines = new LinesStyle;
        lines->setParent(this);
        setStyle(lines);
    }
}

void TreeWidget::SetImages(const CImageList* images)
{
    m_images = images;
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        ShowImages(*it);
}

void TreeWidget::ShowImages(QTreeWidgetItem* item) const
{
    QIcon icon;
    if (m_images) {
        icon.addPixmap(m_images->GetImage(item->data(0, kImageRole).toInt()), QIcon::Normal);
        icon.addPixmap(m_images->GetImage(item->data(0, kSelectedImageRole).toInt()), QIcon::Selected);
    }
    item->setIcon(0, icon);
}

void TreeWidget::RequestExpand(QTreeWidgetItem* item, UINT action)
{
    NMTREEVIEW notification{};
    notification.hdr = NMHDR{this, static_cast<UINT_PTR>(m_id), TVN_ITEMEXPANDINGA};
    notification.action = action;
    notification.itemNew = item;
    auto* dialog = static_cast<DialogWidget*>(parentWidget());
    if (dialog->Owner().SendMessage(WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&notification)))
        return;
    item->setExpanded(action == TVE_EXPAND);
}

CString TreeWidget::InfoTip(QTreeWidgetItem* item)
{
    if (!item)
        return {};
    char text[INFOTIPSIZE] = "";
    NMTVGETINFOTIPA notification{};
    notification.hdr = NMHDR{this, static_cast<UINT_PTR>(m_id), TVN_GETINFOTIPA};
    notification.pszText = text;
    notification.cchTextMax = INFOTIPSIZE;
    notification.hItem = item;
    notification.lParam = static_cast<LPARAM>(item->data(0, kDataRole).toULongLong());
    auto* dialog = static_cast<DialogWidget*>(parentWidget());
    dialog->Owner().SendMessage(WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&notification));
    text[INFOTIPSIZE - 1] = '\0';
    return text;
}

bool TreeWidget::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip || !(m_style & TVS_INFOTIP))
        return QTreeWidget::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = itemAt(help->pos());
    const CString tip = InfoTip(item);
    if (tip.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), QString::fromStdString(tip), viewport(), visualItemRect(item));
    return true;
}

void TreeWidget::keyPressEvent(QKeyEvent* event)
{
    // The dialog hears of the keys it may act on (Delete), as Windows tells it.
    if (event->key() == Qt::Key_Delete) {
        NMTVKEYDOWN notification{};
        notification.hdr = NMHDR{this, static_cast<UINT_PTR>(m_id), TVN_KEYDOWN};
        notification.wVKey = VK_DELETE;
        auto* dialog = static_cast<DialogWidget*>(parentWidget());
        dialog->Owner().SendMessage(WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&notification));
        return;
    }
    QTreeWidgetItem* item = currentItem();
    if (item && item->childCount() > 0) {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Minus:
            if (item->isExpanded())
                return RequestExpand(item, TVE_COLLAPSE);
            break;
        case Qt::Key_Right:
        case Qt::Key_Plus:
        case Qt::Key_Asterisk:
            if (!item->isExpanded())
                return RequestExpand(item, TVE_EXPAND);
            break;
        }
    }
    QTreeWidget::keyPressEvent(event);
}

void TreeWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item && item->childCount() > 0)
        RequestExpand(item, item->isExpanded() ? TVE_COLLAPSE : TVE_EXPAND);
}
