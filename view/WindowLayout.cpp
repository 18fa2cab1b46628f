#include "view/WindowLayout.h"

#include <algorithm>

namespace korvel::view {

bool enforceMinimum(float width, float height, float &newWidth, float &newHeight)
{
    newWidth = width;
    newHeight = height;
    if (width < kMinWindowWidth) {
        newWidth = kMinWindowWidth;
        return true;
    }
    if (height < kMinWindowHeight) {
        newHeight = kMinWindowHeight;
        return true;
    }
    return false;
}

TwipsRect keepOnScreen(const TwipsRect &window, const TwipsRect &available)
{
    TwipsRect r = window;
    r.width = std::max(std::min(r.width, available.width), kMinWindowWidth);
    r.height = std::max(std::min(r.height, available.height), kMinWindowHeight);
    // The far edges first, so a window larger than a tiny screen keeps its top left on it.
    r.left = std::max(std::min(r.left, available.left + available.width - r.width), available.left);
    r.top = std::max(std::min(r.top, available.top + available.height - r.height), available.top);
    return r;
}

float keptTwips(float read, float current, float floor)
{
    const float kept = toPixels(read) == toPixels(current) ? read : current;
    return std::max(kept, floor);
}

float clampSplitter(float x, float windowWidth)
{
    if (x < kMinSplitter)
        x = kMinSplitter;
    if (x > windowWidth - kMinSplitter)
        x = windowWidth - kMinSplitter;
    return x;
}

Layout computeLayout(const LayoutInput &in, float x)
{
    Layout l;
    // The strip, the cool bar and the line under it.
    l.wbbTopAD = {0, 0, in.width - kTopAdRightGap, in.topAdHeight};
    l.CoolBar = {0, l.wbbTopAD.top + l.wbbTopAD.height, in.width, in.coolBarHeight};
    l.imgSearchBgWidth = in.picSearchWidth + 2000;
    l.picMark = {0, l.CoolBar.top + l.CoolBar.height - 15, in.width, 15};
    l.imgBottomWidth = in.innerWidth;

    // The panes.
    x = clampSplitter(x, in.width);
    l.splitter = x;
    l.tvTreeView.width = x - 30;
    l.Shape3.width = x;
    l.picTitle.width = x;
    l.imgSplitter.left = x;
    l.picView.left = x + 75;
    l.Shape4.left = x + 60;
    l.picView.width = in.width - (l.tvTreeView.width + 140) - 105;
    l.Shape4.width = l.picView.width + 30;
    l.picTitle.left = 0;
    l.tvTreeView.left = 15;
    l.Shape3.left = 0;
    l.picTitle.top = l.picMark.top;
    l.picTitle.height = in.picTitleHeight;
    l.tvTreeView.top = l.picTitle.top + l.picTitle.height;
    l.Shape3.top = l.tvTreeView.top;
    l.picView.top = l.CoolBar.top + l.CoolBar.height;
    l.Shape4.top = l.picMark.top;
    l.tvTreeView.height = in.innerHeight - (in.coolBarHeight + in.topAdHeight + in.picTitleHeight) - in.picBottomHeight;
    l.Shape3.height = l.tvTreeView.height + 15;
    l.picView.height = in.innerHeight - (in.coolBarHeight + in.topAdHeight) - 15 - in.picBottomHeight;
    l.Shape4.height = l.picView.height + 30;
    l.imgSplitter.top = l.picTitle.top;
    l.imgSplitter.width = 60;
    l.imgSplitter.height = in.innerHeight - (in.coolBarHeight + in.topAdHeight) - in.picBottomHeight;
    l.Shape2 = {0, 0, l.picTitle.width, l.picTitle.height};
    l.imgTitle = {15, 15, l.picTitle.width - 30, l.picTitle.height - 30};
    l.tzbBottomLeft[0] = x + 60;
    l.tzbBottomLeft[1] = l.tzbBottomLeft[0] + in.tzbBottomWidth[0] + 30;
    l.tzbBottomLeft[2] = l.tzbBottomLeft[1] + in.tzbBottomWidth[1] + 30;
    l.lblCount = {l.tzbBottomLeft[2] + in.tzbBottomWidth[2] + 300, 45, 3000, kBottomTabHeight};
    return l;
}

CoolBarLayout computeCoolBarLayout(float windowWidth)
{
    CoolBarLayout c;
    const float searchLeft = std::max(0.0f, windowWidth - kSearchBandWidth);
    c.Toolbar = {0, 0, searchLeft, kCoolBarHeight};
    c.picSearch = {searchLeft, 0, kSearchBandWidth, kCoolBarHeight};
    c.txtSearch = {60, 75, 3000, 360};
    c.tzbSearch = {3120, 75, 900, 360};
    c.tzbWebSearch = {4080, 75, 1200, 360};
    c.imgSearch_bg = {0, 0, kSearchBandWidth + 2000, kCoolBarHeight};
    return c;
}

ButtonPlacement moveButtons(float picViewWidth, float picViewHeight, float picButtonWidth, float picToolWidth,
                            float picToolHeight)
{
    ButtonPlacement p;
    p.picButtonTop = 0;
    p.picButtonLeft = picViewWidth - picButtonWidth;
    p.picToolTop = picViewHeight - picToolHeight;
    p.picToolLeft = (picViewWidth - picToolWidth) / 2;
    return p;
}

TwipsRect fullViewRect(float innerWidth, float innerHeight, float picBottomHeight)
{
    return {0, 0, innerWidth, innerHeight - picBottomHeight};
}

} // namespace korvel::view
