// CImageList: small images of one size, addressed by their index.
#pragma once

#include <vector>
#include <QPixmap>

#include "framework/afx.h"

class CImageList {
public:
    // Images are cx × cy pixels. The colour depth and the growth hints of
    // the Windows call have no meaning here: images keep the colours of
    // their icons, and the list grows as needed.
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds the icon at the list's size; returns its index, or -1.
    int Add(HICON icon);

    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    // The image at `index`, or a null pixmap.
    QPixmap GetImage(int index) const;

private:
    int m_cx = 0;
    int m_cy = 0;
    std::vector<QPixmap> m_images;
};
