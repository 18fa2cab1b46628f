#include "maker/MakerLayout.h"

#include <cmath>

namespace korvel::maker {

TwipsRect previewBox(float pictureWidth, float pictureHeight, float areaWidth, float areaHeight)
{
    // The natural size as whole twips, as the holder of the picture sizes itself.
    const float w0 = std::trunc(pictureWidth);
    const float h0 = std::trunc(pictureHeight);
    TwipsRect box{0, 0, w0, h0};
    if (w0 <= 0 || h0 <= 0)
        return box;
    if (box.width > areaWidth) {
        box.width = areaWidth;
        box.height = box.width * h0 / w0;
    }
    if (box.height > areaHeight - kPreviewMargin) {
        box.height = areaHeight - kPreviewMargin;
        box.width = box.height * w0 / h0;
    }
    box.top = (areaHeight - box.height) / 2;
    box.left = (areaWidth - box.width) / 2;
    return box;
}

} // namespace korvel::maker
