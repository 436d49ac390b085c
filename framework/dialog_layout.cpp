#include "framework/dialog_layout.h"

#include <algorithm>

namespace {

struct Span {
    int begin = 0;
    int end = 0;
    int need = 0;
};

// Room inserted at a coordinate: everything at or beyond it moves by `extra`.
struct Insertion {
    int at = 0;
    int extra = 0;
};

int shiftAt(const std::vector<Insertion>& insertions, int coordinate)
{
    int shift = 0;
    for (const Insertion& insertion : insertions)
        if (insertion.at <= coordinate)
            shift += insertion.extra;
    return shift;
}

// One axis of AfxFitToTexts; returns the dialog's new extent.
int fitAxis(std::vector<Span>& spans, int extent)
{
    std::vector<int> edges;
    for (const Span& span : spans)
        edges.push_back(span.end);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    // From the first edge to the last, so that a control's size already
    // counts the room inserted inside it when its own edge is reached.
    std::vector<Insertion> insertions;
    for (int edge : edges) {
        int extra = 0;
        for (const Span& span : spans) {
            if (span.end != edge)
                continue;
            const int size = span.end + shiftAt(insertions, span.end) - span.begin - shiftAt(insertions, span.begin);
            extra = std::max(extra, span.need - size);
        }
        if (extra > 0)
            insertions.push_back({edge, extra});
    }
    int total = 0;
    for (const Insertion& insertion : insertions)
        total += insertion.extra;
    for (Span& span : spans) {
        span.begin += shiftAt(insertions, span.begin);
        span.end += shiftAt(insertions, span.end);
    }
    return extent + total;
}

// Shares in percent of a growth, rounded down as whole pixels.
int share(int growth, int percent)
{
    return growth * percent / 100;
}

}  // namespace

QSize AfxFitToTexts(std::vector<FitItem>& items, QSize dialog)
{
    std::vector<Span> across, down;
    for (const FitItem& item : items) {
        across.push_back({item.rect.left(), item.rect.left() + item.rect.width(), item.need.width()});
        down.push_back({item.rect.top(), item.rect.top() + item.rect.height(), item.need.height()});
    }
    const int width = fitAxis(across, dialog.width());
    const int height = fitAxis(down, dialog.height());
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].rect = QRect(across[i].begin, down[i].begin, across[i].end - across[i].begin,
                              down[i].end - down[i].begin);
    return {width, height};
}

QRect AfxFollowDialog(const QRect& base, const DynamicLayout& layout, QSize growth)
{
    return QRect(base.left() + share(growth.width(), layout.moveX), base.top() + share(growth.height(), layout.moveY),
                 base.width() + share(growth.width(), layout.sizeX),
                 base.height() + share(growth.height(), layout.sizeY));
}
