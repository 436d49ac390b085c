#include "framework/tree_ctrl.h"

#include "framework/tree_widget.h"

namespace {
TreeWidget* tree(HWND hWnd)
{
    return static_cast<TreeWidget*>(hWnd);
}
}  // namespace

HTREEITEM CTreeCtrl::InsertItem(const CString& text, int image, int selectedImage, HTREEITEM parent)
{
    TreeWidget* widget = tree(m_hWnd);
    auto* item = new QTreeWidgetItem(QStringList(QString::fromStdString(text)));
    item->setData(0, TreeWidget::kDataRole, QVariant::fromValue<qulonglong>(0));
    item->setData(0, TreeWidget::kImageRole, image);
    item->setData(0, TreeWidget::kSelectedImageRole, selectedImage);
    if (widget->HasCheckBoxes())
        item->setCheckState(0, Qt::Unchecked);
    // An item with children ticks or unticks them all, and shows partly
    // ticked when only some are.
    if (parent && widget->HasCheckBoxes())
        parent->setFlags(parent->flags() | Qt::ItemIsAutoTristate);
    if (parent)
        parent->addChild(item);
    else
        widget->addTopLevelItem(item);
    widget->ShowImages(item);
    return item;
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM item)
{
    if (!item)
        return FALSE;
    delete item;  // takes its children along
    return TRUE;
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const
{
    TreeWidget* widget = tree(m_hWnd);
    switch (code) {
    case TVGN_ROOT:
        return widget->topLevelItem(0);
    case TVGN_CARET: {
        const QList<QTreeWidgetItem*> selected = widget->selectedItems();
        return selected.isEmpty() ? nullptr : selected.first();
    }
    }
    if (!item)
        return nullptr;
    switch (code) {
    case TVGN_CHILD:
        return item->child(0);
    case TVGN_PARENT:
        return item->parent();
    case TVGN_NEXT:
        if (QTreeWidgetItem* parent = item->parent())
            return parent->child(parent->indexOfChild(item) + 1);
        return widget->topLevelItem(widget->indexOfTopLevelItem(item) + 1);
    }
    return nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item)
{
    TreeWidget* widget = tree(m_hWnd);
    if (!item) {
        widget->clearSelection();
        return TRUE;
    }
    widget->setCurrentItem(item);
    return TRUE;
}

UINT CTreeCtrl::GetCount() const
{
    UINT count = 0;
    for (QTreeWidgetItemIterator it(tree(m_hWnd)); *it; ++it)
        ++count;
    return count;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const
{
    return item ? item->text(0).toStdString() : CString();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const CString& text)
{
    if (!item)
        return FALSE;
    item->setText(0, QString::fromStdString(text));
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    return item ? static_cast<DWORD_PTR>(item->data(0, TreeWidget::kDataRole).toULongLong()) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data)
{
    if (!item)
        return FALSE;
    item->setData(0, TreeWidget::kDataRole, QVariant::fromValue<qulonglong>(data));
    return TRUE;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const
{
    if (!item)
        return FALSE;
    image = item->data(0, TreeWidget::kImageRole).toInt();
    selectedImage = item->data(0, TreeWidget::kSelectedImageRole).toInt();
    return TRUE;
}

BOOL CTreeCtrl::GetCheck(HTREEITEM item) const
{
    return item && item->checkState(0) == Qt::Checked;
}

BOOL CTreeCtrl::SetCheck(HTREEITEM item, BOOL check)
{
    if (!item || !tree(m_hWnd)->HasCheckBoxes())
        return FALSE;
    item->setCheckState(0, check ? Qt::Checked : Qt::Unchecked);
    return TRUE;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT action)
{
    if (!item)
        return FALSE;
    item->setExpanded(action == TVE_EXPAND);
    return TRUE;
}

BOOL CTreeCtrl::EnsureVisible(HTREEITEM item)
{
    if (!item)
        return FALSE;
    tree(m_hWnd)->scrollToItem(item);
    return TRUE;
}

void CTreeCtrl::SetImageList(const CImageList* images, int kind)
{
    if (kind == TVSIL_NORMAL)
        tree(m_hWnd)->SetImages(images);
}

const CImageList* CTreeCtrl::GetImageList(int kind) const
{
    return kind == TVSIL_NORMAL ? tree(m_hWnd)->Images() : nullptr;
}
