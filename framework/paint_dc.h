// CPaintDC: painting on a window while it handles WM_PAINT.
#pragma once

#include <QPainter>
#include <QWidget>

#include "framework/wnd.h"

class CPaintDC {
public:
    explicit CPaintDC(CWnd* wnd) : m_painter(wnd->GetSafeHwnd()) {}

    HDC GetSafeHdc() { return &m_painter; }
    // Draws the icon at its standard size with its top left corner at (x, y).
    void DrawIcon(int x, int y, HICON icon);

private:
    QPainter m_painter;
};
