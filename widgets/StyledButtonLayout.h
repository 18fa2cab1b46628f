#pragma once

#include <QRect>
#include <QSize>

namespace korvel::widgets {

// Where the picture and the caption go inside the button's content area.
//
// PictureAlign places the picture relative to the caption:
//   0 at the left edge        1 left of the caption (default)
//   2 at the right edge       3 right of the caption
//   4 at the top edge         5 above the caption
//   6 at the bottom edge      7 below the caption
//   8 centred behind the caption
// CaptionAlign aligns the caption (and a picture beside it) across the
// area: 0 left, 1 centred (default), 2 right. Everything is centred on the
// other axis. Unknown values fall back to the defaults.
struct TzContentLayout {
    QRect picture; // empty when there is no picture
    QRect caption; // the caption's text box; empty when there is no text
};

inline constexpr int kContentGap = 4;

TzContentLayout layoutContent(const QRect &area, const QSize &picture, const QSize &caption, int pictureAlign,
                              int captionAlign);

} // namespace korvel::widgets
