#include "framework/paint_dc.h"

#include <QIcon>

void CPaintDC::DrawIcon(int x, int y, HICON icon)
{
    if (icon)
        m_painter.drawPixmap(x, y, icon->pixmap(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
}
