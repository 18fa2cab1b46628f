#include "view/Geometry.h"

#include <algorithm>
#include <cmath>

namespace korvel::view {

namespace {

bool hasImage(const PageBox &b)
{
    return b.naturalWidth > 0 && b.naturalHeight > 0;
}

// A picture area cannot take a negative size; such a step is skipped.
bool settable(float v)
{
    return v >= 0;
}

// Steps 2 and 3 of the fit: limit to the view width, then to the view height less the allowance.
void limitToView(PageBox &b, ViewSize area)
{
    if (!hasImage(b))
        return;
    const float w = b.naturalWidth;
    const float h = b.naturalHeight;
    if (b.width > area.width && settable(area.width)) {
        b.width = area.width;
        b.height = b.width * h / w;
    }
    const float limit = area.height - kVerticalAllowance;
    if (b.height > limit && settable(limit)) {
        b.height = limit;
        b.width = b.height * w / h;
    }
}

} // namespace

void fit(PageBox &box, ViewSize area)
{
    box.width = box.naturalWidth;
    box.height = box.naturalHeight;
    limitToView(box, area);
}

void zoomIn(PageBox &box, ViewSize area)
{
    box.width *= kZoomInFactor;
    box.height *= kZoomInFactor;
    limitToView(box, area);
}

void zoomOut(PageBox &box)
{
    box.width *= kZoomOutFactor;
    box.height *= kZoomOutFactor;
    if (!hasImage(box))
        return;
    const float w = box.naturalWidth;
    const float h = box.naturalHeight;
    if (box.width < kMinimumSide) {
        box.width = kMinimumSide;
        box.height = kMinimumSide * h / w;
    }
    if (box.height < kMinimumSide) {
        box.height = kMinimumSide;
        box.width = kMinimumSide * w / h;
    }
}

void centre(PageBox &box, ViewSize area)
{
    box.top = (area.height - box.height) / 2.0f;
    box.left = (area.width - box.width) / 2.0f;
}

void keepClearOfBottom(PageBox &box, ViewSize area, float band)
{
    const float clearTop = std::floor((area.height - band - box.height) / kTwipsPerPixel) * kTwipsPerPixel;
    if (box.top + box.height > area.height - band && clearTop >= 0)
        box.top = clearTop;
}

bool fitsView(const PageBox &box, ViewSize area)
{
    return box.width <= area.width && box.height <= area.height;
}

namespace {

// One side's offset moved by d, kept between the view's edge and the far one.
float scrolled(float offset, float side, float view, float d)
{
    if (side <= view)
        return offset;
    return std::clamp(offset + d, view - side, 0.0f);
}

} // namespace

bool scrollPage(PageBox &box, ViewSize area, float dx, float dy)
{
    const float left = scrolled(box.left, box.width, area.width, dx);
    const float top = scrolled(box.top, box.height, area.height, dy);
    const bool moved = left != box.left || top != box.top;
    box.left = left;
    box.top = top;
    return moved;
}

} // namespace korvel::view
