#pragma once

#include <QRect>
#include <QRectF>

#include <cmath>

namespace korvel {

// Every length on a window is kept in twips, in single precision:
// 15 twips are one logical pixel, whatever the screen's density.
constexpr float kTwipsPerPixel = 15.0f;

inline int toPixels(float twips)
{
    return int(std::lround(twips / kTwipsPerPixel));
}

inline float toTwips(double pixels)
{
    return float(pixels) * kTwipsPerPixel;
}

// A rectangle in twips: left, top, width, height.
struct TwipsRect {
    float left = 0, top = 0, width = 0, height = 0;

    QRect toPixels() const
    {
        return QRect(korvel::toPixels(left), korvel::toPixels(top), korvel::toPixels(width),
                     korvel::toPixels(height));
    }
    bool operator==(const TwipsRect &o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

} // namespace korvel
