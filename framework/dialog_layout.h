// How a dialog's controls make room for their texts, and how they follow a
// dialog that the user resizes.
#pragma once

#include <vector>
#include <QRect>

#include "framework/resources.h"

// A control's place in pixels, and the size its text needs (0 on an axis
// where it needs nothing).
struct FitItem {
    QRect rect;
    QSize need;
};

// Gives every control the room its text needs. Where a control is too
// narrow, room is inserted across the whole dialog at its right edge: the
// control grows, the controls that start at or beyond that edge move over,
// those that span it grow, and the dialog grows by as much; heights alike,
// at bottom edges. Controls that lined up in the template still do, and
// none comes to overlap another. Returns the dialog's new size.
QSize AfxFitToTexts(std::vector<FitItem>& items, QSize dialog);

// The place of a control whose base place is `base` once its dialog has
// grown by `growth` beyond its base size: it moves by its layout's move
// share of the growth and grows by its size share.
QRect AfxFollowDialog(const QRect& base, const DynamicLayout& layout, QSize growth);
