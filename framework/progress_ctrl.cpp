#include "framework/progress_ctrl.h"

#include <algorithm>
#include <QProgressBar>

namespace {
QProgressBar* bar(HWND hWnd)
{
    return static_cast<QProgressBar*>(hWnd);
}
}  // namespace

void CProgressCtrl::SetRange(short lower, short upper)
{
    bar(m_hWnd)->setRange(lower, upper);
}

int CProgressCtrl::SetPos(int pos)
{
    QProgressBar* progress = bar(m_hWnd);
    const int previous = progress->value();
    progress->setValue(std::clamp(pos, progress->minimum(), progress->maximum()));
    return previous;
}

int CProgressCtrl::GetPos() const
{
    return bar(m_hWnd)->value();
}
