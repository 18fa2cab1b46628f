#include "view/Geometry.h"

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

} // namespace korvel::view
