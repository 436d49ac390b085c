// The Qt window of a dialog: built from its template, it turns Qt's input
// into the messages the dialog's code handles. Its controls make room for
// their texts, and in a dialog the user may resize they follow its size.
#pragma once

#include <vector>
#include <QDialog>

#include "framework/resources.h"

class CWnd;

class DialogWidget : public QDialog {
public:
    DialogWidget(CWnd& owner, const DialogTemplate& dialogTemplate, QWidget* parent);

    CWnd& Owner() const { return m_owner; }
    // Gives the focus to the first control in tab order.
    void FocusFirstControl();
    // Sizes the controls and the dialog to the texts they show now: called
    // once the dialog is built and whenever a text changes.
    void FitTexts();
    // The size the dialog has with its texts fitted, before the user resizes it.
    QSize BaseSize() const { return m_baseSize; }

    void reject() override;
    // Remembers a resizable dialog's size as it ends.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // True while another dialog is modal over this one.
    bool BlockedByModal() const;
    // The control's widget, or null for a class the layer does not know.
    QWidget* CreateControl(const DialogControl& control);

    // Puts every control where the dialog's growth beyond its base size takes it.
    void FollowSize();

    // A control with its place in the template (in pixels) and its place
    // once its text is fitted.
    struct Placed {
        QWidget* widget;
        QRect templateRect;
        DynamicLayout layout;
        QRect base;
    };

    CWnd& m_owner;
    const UINT m_templateId;
    const bool m_resizable;
    const QSize m_templateSize;
    QSize m_baseSize;
    std::vector<Placed> m_placed;
    QWidget* m_firstTabStop = nullptr;
};

// Dialog units to pixels, with the base units of "MS Sans Serif" 8 pt
// (6 × 13 pixels per 4 × 8 dialog units).
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
