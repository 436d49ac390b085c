#include "framework/image_list.h"

#include <QIcon>

BOOL CImageList::Create(int cx, int cy, UINT, int, int)
{
    m_cx = cx;
    m_cy = cy;
    m_images.clear();
    return TRUE;
}

int CImageList::Add(HICON icon)
{
    if (!icon || icon->isNull())
        return -1;
    m_images.push_back(icon->pixmap(m_cx, m_cy));
    return GetImageCount() - 1;
}

QPixmap CImageList::GetImage(int index) const
{
    if (index < 0 || index >= GetImageCount())
        return {};
    return m_images[static_cast<std::size_t>(index)];
}
