// The Qt widget behind a tree control. Before it expands or collapses an
// item at the user's request it asks its dialog with TVN_ITEMEXPANDING,
// whose non-zero result refuses the change. With TVS_INFOTIP, the tip of
// the item under the mouse is what the dialog answers to TVN_GETINFOTIP.
#pragma once

#include <QTreeWidget>

#include "framework/afx.h"

class CImageList;

class TreeWidget : public QTreeWidget {
public:
    // Item data roles: the item's data, its image and its selected image.
    static constexpr int kDataRole = Qt::UserRole;
    static constexpr int kImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;

    TreeWidget(int id, DWORD style, QWidget* parent);

    bool HasCheckBoxes() const { return m_style & TVS_CHECKBOXES; }
    const CImageList* Images() const { return m_images; }
    void SetImages(const CImageList* images);
    // Shows the item's images as set in its roles.
    void ShowImages(QTreeWidgetItem* item) const;

    // Expands or collapses `item` unless the dialog refuses.
    void RequestExpand(QTreeWidgetItem* item, UINT action);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The dialog's tip for `item`; "" for none.
    CString InfoTip(QTreeWidgetItem* item);

    int m_id;
    DWORD m_style;
    const CImageList* m_images = nullptr;
};
