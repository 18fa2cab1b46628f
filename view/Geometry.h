#pragma once

#include "view/Twips.h"

namespace korvel::view {

constexpr float kVerticalAllowance = 775.0f; // room kept under a fitted page for the page toolbar
constexpr float kZoomInFactor = 1.01f;
constexpr float kZoomOutFactor = 0.99f;
constexpr float kMinimumSide = 300.0f;

// The page picture inside the view: its displayed size and its offset in the
// view (negative when it overhangs). natural is the page image's own size in
// whole twips; a zero side means no image is loaded.
struct PageBox {
    float naturalWidth = 0, naturalHeight = 0;
    float left = 0, top = 0, width = 0, height = 0;
};

// The size of the viewing area (picView) in twips.
struct ViewSize {
    float width = 0, height = 0;
};

// Natural size, reduced with its proportions until it fits the view width and
// the view height less the allowance. Never enlarges. A step the view cannot
// take (a negative size) is skipped, the next still runs.
void fit(PageBox &box, ViewSize area);
// One 1 % step up, never past the fitted size.
void zoomIn(PageBox &box, ViewSize area);
// One 1 % step down, never below 300 twips on either side.
void zoomOut(PageBox &box);
// Centred in the whole view height.
void centre(PageBox &box, ViewSize area);
// A centred page whose lower edge would run under the band at the bottom of
// the view (the page toolbar) is raised just clear of it, in whole pixels,
// when it fits above the band; any other page stays where it is.
void keepClearOfBottom(PageBox &box, ViewSize area, float band);

// The page covers no more than the view: the mouse wheel turns pages.
bool fitsView(const PageBox &box, ViewSize area);
// A page larger than the view moved by (dx, dy) twips, its edges never
// coming inside the view's; false when it did not move.
bool scrollPage(PageBox &box, ViewSize area, float dx, float dy);

// The exact middle counts as the right half.
inline bool isRightHalf(float x, float width)
{
    return x >= width / 2.0f;
}

} // namespace korvel::view
