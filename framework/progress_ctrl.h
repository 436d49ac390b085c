// CProgressCtrl: a bar that shows a position within a range.
#pragma once

#include "framework/wnd.h"

class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper);
    // Positions outside the range show as its nearest end; returns the previous position.
    int SetPos(int pos);
    int GetPos() const;
};
