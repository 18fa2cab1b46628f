#pragma once

#include "view/Twips.h"

#include <limits>

namespace korvel::view {

// Fixed heights and widths of the window's parts, in twips.
constexpr float kTopAdHeight = 960;
constexpr float kTopAdRightGap = 120;
constexpr float kCoolBarHeight = 510;
constexpr float kPicTitleHeight = 375;
constexpr float kPicBottomHeight = 420;
constexpr float kBottomTabWidth = 900;
constexpr float kBottomTabHeight = 330;
constexpr float kPicButtonHeight = 300;
constexpr float kSmallButton = 300;
constexpr float kPicToolHeight = 450;
constexpr float kSearchBandWidth = 6300;

// Sizes the layout reads from the controls, in twips.
struct LayoutInput {
    float width = 0;       // window outer width
    float innerWidth = 0;  // client width
    float innerHeight = 0; // client height
    float topAdHeight = kTopAdHeight;
    float coolBarHeight = 0;
    float picTitleHeight = 0;
    float picBottomHeight = 0;
    float picSearchWidth = 0;
    float tzbBottomWidth[3] = {0, 0, 0};
};

// Every placement the layout makes. A width or height below 0 is not applied
// by the window (the geometry layer skips that step); the numbers are kept as
// computed so the rule stays visible.
struct Layout {
    float splitter = 0; // clamped splitter position
    TwipsRect wbbTopAD, CoolBar, picMark;
    float imgSearchBgWidth = 0, imgBottomWidth = 0;
    TwipsRect picTitle, tvTreeView, Shape3, imgSplitter;
    TwipsRect picView, Shape4, Shape2, imgTitle;
    float tzbBottomLeft[3] = {0, 0, 0};
    TwipsRect lblCount;
};

// The cool bar's contents for a window width: the toolbar, and the search
// band beside it with its box and two buttons, about 6300 twips wide.
struct CoolBarLayout {
    TwipsRect Toolbar, picSearch, txtSearch, tzbSearch, tzbWebSearch, imgSearch_bg;
};
CoolBarLayout computeCoolBarLayout(float windowWidth);

// Form_Resize step 1 and 2 in normal state: the size the window must be
// raised to first, or false when both minimums are met.
bool enforceMinimum(float width, float height, float &newWidth, float &newHeight);
constexpr float kMinWindowWidth = 8000;
constexpr float kMinWindowHeight = 5000;
constexpr float kMinSplitter = 800;

// The window's outer rectangle kept wholly on the available area of its
// screen: shrunk to that area when larger (never below the minimum size),
// then moved in as little as it takes.
TwipsRect keepOnScreen(const TwipsRect &window, const TwipsRect &available);

// A length kept between runs: the value read at start-up while the window
// still shows it (it rounds to the same whole pixel as the current one),
// else the current value; never below floor.
float keptTwips(float read, float current, float floor = std::numeric_limits<float>::lowest());

// The splitter position as SizeControls clamps it: not below 800 and not
// beyond the window width less 800 (the second rule wins on a narrow window).
float clampSplitter(float x, float windowWidth);

// The whole pass for splitter position x (the top strip, the cool bar and both panes).
Layout computeLayout(const LayoutInput &in, float x);

// The page view's two button groups: picButton at the top right, picTool at the bottom centre.
struct ButtonPlacement {
    float picButtonLeft = 0, picButtonTop = 0, picToolLeft = 0, picToolTop = 0;
};
ButtonPlacement moveButtons(float picViewWidth, float picViewHeight, float picButtonWidth, float picToolWidth,
                            float picToolHeight);

// The frame in full view: the whole client area above the bottom bar.
TwipsRect fullViewRect(float innerWidth, float innerHeight, float picBottomHeight);

} // namespace korvel::view
