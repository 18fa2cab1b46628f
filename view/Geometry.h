#pragma once

#include "view/Twips.h"

namespace korvel::view {

constexpr float kVerticalAllowance = 775.0f; // room kept under a fitted page for the page toolbar
constexpr float kZoomInFactor = 1.01f;
constexpr float kZoomOutFactor = 0.99f;
constexpr float kMinimumSide = 300.0f;

// The page picture inside the frame: its displayed size and its offset in the
// frame (negative when it overhangs). natural is the page image's own size in
// whole twips; a zero side means no image is loaded.
struct PageBox {
    float naturalWidth = 0, naturalHeight = 0;
    float left = 0, top = 0, width = 0, height = 0;
};

// Frame size in twips (the viewing area picView).
struct FrameSize {
    float width = 0, height = 0;
};

// Natural size, reduced with its proportions until it fits the frame width and
// the frame height less the allowance. Never enlarges. A step the frame cannot
// take (a negative size) is skipped, the next still runs.
void fit(PageBox &box, FrameSize frame);
// One 1 % step up, never past the fitted size.
void zoomIn(PageBox &box, FrameSize frame);
// One 1 % step down, never below 300 twips on either side.
void zoomOut(PageBox &box);
// Centred in the whole frame height.
void centre(PageBox &box, FrameSize frame);

// The exact middle counts as the right half.
inline bool isRightHalf(float x, float width)
{
    return x >= width / 2.0f;
}

} // namespace korvel::view
