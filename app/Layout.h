#pragma once

#include "view/Twips.h"

namespace korvel::app {

// Sizes the layout reads from the controls, in twips.
struct LayoutInput {
    float width = 0;       // window outer width
    float innerWidth = 0;  // client width
    float innerHeight = 0; // client height
    float topAdHeight = 960;
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
};

// Form_Resize step 1 and 2 in normal state: the size the window must be
// raised to first, or false when both minimums are met.
bool enforceMinimum(float width, float height, float &newWidth, float &newHeight);
constexpr float kMinWindowWidth = 8000;
constexpr float kMinWindowHeight = 5000;
constexpr float kMinSplitter = 800;

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

} // namespace korvel::app
