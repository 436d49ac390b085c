// The Qt window of a dialog: built from its template, it turns Qt's input
// into the messages the dialog's code handles.
#pragma once

#include <QDialog>

#include "framework/resources.h"

class CWnd;

class DialogWidget : public QDialog {
public:
    DialogWidget(CWnd& owner, const DialogTemplate& dialogTemplate, QWidget* parent);

    CWnd& Owner() const { return m_owner; }
    // Gives the focus to the first control in tab order.
    void FocusFirstControl();

    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // True while another dialog is modal over this one.
    bool BlockedByModal() const;
    // The control's widget, or null for a class the layer does not know.
    QWidget* CreateControl(const DialogControl& control);

    CWnd& m_owner;
    QWidget* m_firstTabStop = nullptr;
};

// Dialog units to pixels, with the base units of "MS Sans Serif" 8 pt
// (6 × 13 pixels per 4 × 8 dialog units).
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);
