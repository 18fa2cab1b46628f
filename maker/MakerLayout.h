#pragma once

#include "view/Twips.h"

namespace korvel::maker {

// The maker's preview keeps 775 twips free below the picture.
constexpr float kPreviewMargin = 775;
// The page list's columns: the page number, the picture, the hidden path.
constexpr float kNumberColumnWidth = 530;
constexpr float kPictureColumnWidth = 2400;

// The preview box (picView) for a picture of the given natural size, all in
// twips, inside the preview area (picRight): the picture at its natural size,
// narrowed to the area's width and then lowered to its height less the
// margin, keeping its proportions (never enlarged), and centred in the area.
TwipsRect previewBox(float pictureWidth, float pictureHeight, float areaWidth, float areaHeight);

} // namespace korvel::maker
