#include "widgets/StyledButtonLayout.h"

namespace korvel::widgets {

namespace {

// Left edge of a run of the given width inside [left, left + span).
int alignedLeft(int left, int span, int width, int captionAlign)
{
    switch (captionAlign) {
    case 0: return left;
    case 2: return left + span - width;
    default: return left + (span - width) / 2;
    }
}

int centred(int start, int span, int length)
{
    return start + (span - length) / 2;
}

// The caption placed per CaptionAlign inside a rectangle, centred vertically.
QRect captionIn(const QRect &r, const QSize &text, int captionAlign)
{
    return {QPoint(alignedLeft(r.left(), r.width(), text.width(), captionAlign),
                   centred(r.top(), r.height(), text.height())),
            text};
}

} // namespace

TzContentLayout layoutContent(const QRect &area, const QSize &picture, const QSize &caption, int pictureAlign,
                              int captionAlign)
{
    TzContentLayout out;
    const bool hasPicture = !picture.isEmpty();
    const bool hasCaption = !caption.isEmpty();
    if (!hasPicture) {
        if (hasCaption)
            out.caption = captionIn(area, caption, captionAlign);
        return out;
    }
    const int gap = hasCaption ? kContentGap : 0;
    const QSize text = hasCaption ? caption : QSize(0, 0);
    const int pw = picture.width();
    const int ph = picture.height();
    const int midY = centred(area.top(), area.height(), ph);
    const int midX = centred(area.left(), area.width(), pw);

    QRect pic;
    QRect cap;
    switch (pictureAlign) {
    case 0: { // left edge
        pic = {QPoint(area.left(), midY), picture};
        cap = captionIn(area.adjusted(pw + gap, 0, 0, 0), text, captionAlign);
        break;
    }
    case 2: { // right edge
        pic = {QPoint(area.right() + 1 - pw, midY), picture};
        cap = captionIn(area.adjusted(0, 0, -(pw + gap), 0), text, captionAlign);
        break;
    }
    case 4: { // top edge
        pic = {QPoint(midX, area.top()), picture};
        cap = captionIn(area.adjusted(0, ph + gap, 0, 0), text, captionAlign);
        break;
    }
    case 6: { // bottom edge
        pic = {QPoint(midX, area.bottom() + 1 - ph), picture};
        cap = captionIn(area.adjusted(0, 0, 0, -(ph + gap)), text, captionAlign);
        break;
    }
    case 3: { // right of the caption
        const int x = alignedLeft(area.left(), area.width(), text.width() + gap + pw, captionAlign);
        cap = {QPoint(x, centred(area.top(), area.height(), text.height())), text};
        pic = {QPoint(x + text.width() + gap, midY), picture};
        break;
    }
    case 5:   // above the caption
    case 7: { // below the caption
        const int y = centred(area.top(), area.height(), ph + gap + text.height());
        const int picY = pictureAlign == 5 ? y : y + text.height() + gap;
        const int capY = pictureAlign == 5 ? y + ph + gap : y;
        pic = {QPoint(alignedLeft(area.left(), area.width(), pw, captionAlign), picY), picture};
        cap = {QPoint(alignedLeft(area.left(), area.width(), text.width(), captionAlign), capY), text};
        break;
    }
    case 8: { // behind the caption
        pic = {QPoint(midX, midY), picture};
        cap = captionIn(area, text, captionAlign);
        break;
    }
    default: { // left of the caption
        const int x = alignedLeft(area.left(), area.width(), pw + gap + text.width(), captionAlign);
        pic = {QPoint(x, midY), picture};
        cap = {QPoint(x + pw + gap, centred(area.top(), area.height(), text.height())), text};
        break;
    }
    }
    out.picture = pic;
    if (hasCaption)
        out.caption = cap;
    return out;
}

} // namespace korvel::widgets
